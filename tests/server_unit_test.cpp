// The server's JSON layer and its line framing.
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "lib/json_big_integers.h"
#include "lib/json_value.h"
#include "lib/line_reader.h"

namespace vesk {
namespace {

// The public parsing corpus: y_ files must parse, n_ files must not, and of the
// i_ files, where parsers may choose, only these parse.
TEST(Json, ReadsTheParsingCorpusStrictly) {
  const std::set<std::string> accepted = {
      "i_number_double_huge_neg_exp.json", "i_number_real_underflow.json",
      "i_number_too_big_neg_int.json", "i_number_too_big_pos_int.json",
      "i_number_very_big_negative_int.json"};
  if (!std::filesystem::exists(VESK_JSON_CORPUS)) GTEST_SKIP() << "no corpus at " VESK_JSON_CORPUS;
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(VESK_JSON_CORPUS)) {
    const std::string name = entry.path().filename();
    std::ifstream file(entry.path(), std::ios::binary);
    const bool parsed =
        JsonValue::parse(std::string(std::istreambuf_iterator<char>(file), {})).has_value();
    EXPECT_EQ(parsed, name[0] == 'y' || accepted.count(name) > 0) << name;
    ++files;
  }
  EXPECT_GT(files, 300);
}

// Each text parsed and written back compactly (and read back the same).
TEST(Json, ParsesStrictlyAndWritesCompactly) {
  std::string written;
  for (const std::string_view text :
       {R"( {"b" : 1, "a" : [true, false, null]} )", R"({"a":1,"a":2})",
        R"({"ab":1,"a":2,"B":3,"é":4,"b":5})", "[1.50, 100.0, -0.0, 1e300, 5e-324, -0]",
        "[9223372036854775807, -9223372036854775808, 18446744073709551615]",
        R"(["\/\u00e9\ud83d\ude00\u007f", "\u0000\u001F\u0008\u000c\t\n\r\"\\"])",
        "\t\r\n 7 \t\r\n"}) {
    const auto value = JsonValue::parse(text);
    written += (value ? value->write() : "-") + "\n";
    EXPECT_TRUE(!value || JsonValue::parse(value->write()) == value) << text;
  }
  EXPECT_EQ(written,
            "{\"a\":[true,false,null],\"b\":1}\n{\"a\":2}\n"
            "{\"B\":3,\"a\":2,\"ab\":1,\"b\":5,\"é\":4}\n[1.5,100.0,-0.0,1e+300,5e-324,0]\n"
            "[9223372036854775807,-9223372036854775808,18446744073709551615]\n"
            "[\"/é😀\x7f\",\"\\u0000\\u001f\\b\\f\\t\\n\\r\\\"\\\\\"]\n7\n");
  EXPECT_EQ(JsonValue::parse("9223372036854775807")->type(), JsonValue::Type::Integer);
  EXPECT_EQ(JsonValue::parse("9223372036854775808")->type(), JsonValue::Type::Unsigned);
  EXPECT_EQ(JsonValue::parse("18446744073709551616")->type(), JsonValue::Type::Double);
  EXPECT_TRUE(JsonValue::parse("1.0")->is_number() && !JsonValue::parse("\"1\"")->is_number());
  const std::string deepest = std::string(126, '[') + R"({"a":1})" + std::string(126, ']');
  EXPECT_TRUE(JsonValue::parse(deepest));  // 127 levels
  EXPECT_FALSE(JsonValue::parse("[" + deepest + "]"));
  std::string arrays = "[]", objects = "{}";  // 128 of each, nothing inside the last
  for (int i = 1; i < 128; ++i)
    arrays = "[" + arrays + "]", objects = R"({"a":)" + objects + "}";
  EXPECT_FALSE(JsonValue::parse(arrays) || JsonValue::parse(objects));
}

// Integers beyond 64 bits are given a fraction where "~" stands; no other text
// changes, and a text without one gives nothing ("-").
TEST(Json, OnlyIntegersBeyond64BitsAreRespelt) {
  for (const std::string marked :
       {"[0,18446744073709551615,-9223372036854775808,10000000000000000000,-,-x]",
        "[000018446744073709551615,00000000000000000000]", "\"open 18446744073709551616",
        "-9223372036854775809~", "[-18446744073709551615~]",
        R"(["18446744073709551616\"18446744073709551616",1.18446744073709551616,)"
        R"(18446744073709551616.5,18446744073709551616e2,1E+18446744073709551616,)"
        R"(1e-18446744073709551616,99999999999999999999~])"}) {
    const std::string text = std::regex_replace(marked, std::regex("~"), "");
    const std::string respelt = std::regex_replace(marked, std::regex("~"), ".0");
    EXPECT_EQ(big_integers_as_fractions(text).value_or("-"), respelt == text ? "-" : respelt);
  }
}

// Integers beyond 64 bits become the nearest double, wherever they stand;
// beyond the doubles' range they make the text unreadable ("-").
TEST(Json, IntegersBeyond64BitsAreDoubles) {
  const std::string e308 = "1" + std::string(308, '0'), e309 = e308 + "0";
  const std::pair<std::string, std::string> cases[] = {
      {"-9223372036854775809", "-9.223372036854776e+18"},
      {R"({"a":[123456789012345678901234567890]})", R"({"a":[1.2345678901234568e+29]})"},
      {"[" + e308 + "]", "[1e+308]"},
      {e309, "-"},
      {"[-" + e309 + "]", "-"}};
  for (const auto& [text, written] : cases) {
    const auto value = JsonValue::parse(text);
    EXPECT_EQ(value ? value->write() : "-", written) << text;
  }
}

// Where each pointer leads: the value found, written, or "-".
TEST(Json, PointersResolveOrNot) {
  const JsonValue doc = *JsonValue::parse(R"({"a":{"b":[10,{"c/d":1,"e~":2}]},"":3})");
  std::string found;
  for (const std::string_view pointer : std::initializer_list<std::string_view>{
           "", "/a/b/0", "/a/b/1/c~1d", "/a/b/1/e~0", "/", "/a/b/01", "/a/b/2", "/a/b/-", "/a/b/",
           "/a/b/18446744073709551617", "/a/x", "/a/b/0/c", "a", "/a/b/1/c~2d",
           std::string_view("/a/b/1/e~0").substr(0, 9)}) {
    const JsonValue* value = doc.at_pointer(pointer);
    found += (value ? value->write() : "-") + " ";
  }
  EXPECT_EQ(found, R"({"":3,"a":{"b":[10,{"c/d":1,"e~":2}]}} 10 1 2 3 - - - - - - - - - - )");
}

// Hands out `bytes` in reads of at most `chunk` bytes, then ends or fails.
class ChunkedSource final : public ByteSource {
 public:
  ChunkedSource(std::string bytes, std::size_t chunk, bool fails = false)
      : bytes_(std::move(bytes)), chunk_(chunk), fails_(fails) {}
  story_seeds::IoResult<std::size_t> read(char* buffer, std::size_t capacity) override {
    const std::size_t n = bytes_.copy(buffer, std::min(capacity, chunk_), offset_);
    offset_ += n;
    if (n == 0 && fails_) return story_seeds::IoError::from_errno(EIO, "read");
    return n;
  }

 private:
  std::string bytes_;
  std::size_t chunk_;
  bool fails_;
  std::size_t offset_ = 0;
};

// Every read: the line and "|", "<too long>|", then "<end>" or "<error>".
std::string read_all(ByteSource& source) {
  LineReader reader(source);
  for (std::string reads;;) {
    auto read = reader.read_request_line();
    if (!read.ok()) return reads + "<error>";
    if (read.value().kind == LineRead::Kind::End) return reads + "<end>";
    const bool too_long = read.value().kind == LineRead::Kind::TooLong;
    reads += (too_long ? "<too long>" : std::string(read.value().line)) + "|";
  }
}

TEST(LineReader, SameLinesWhateverTheReadSizes) {
  const std::string max(MAX_LINE_BYTES, 'a'), over(MAX_LINE_BYTES + 1, 'b');
  // The ones where a line or its end can be split across reads.
  const std::pair<std::string, std::string> cases[] = {{"a\r\nb", "a\r|b|<end>"},
                                                       {"a\n\nb\n", "a||b|<end>"},
                                                       {max + "\nx", max + "|x|<end>"},
                                                       {over + "\nx\n", "<too long>|x|<end>"},
                                                       {max + over + "\n", "<too long>|<end>"}};
  for (const auto& [input, reads] : cases) {
    for (const std::size_t chunk : {std::size_t{1}, std::size_t{7}, input.size() + 1}) {
      if (chunk == 1 && input.size() > 100000) continue;  // too slow to be worth it
      ChunkedSource source(input, chunk);
      EXPECT_EQ(read_all(source), reads) << "chunk " << chunk << ", input size " << input.size();
    }
  }
  ChunkedSource failing("a\nb", 10, true);
  EXPECT_EQ(read_all(failing), "a|<error>");
  char byte = 0;
  const auto closed = FdSource(-1).read(&byte, 1);
  EXPECT_TRUE(closed.ok() && closed.value() == 0) << "a descriptor not open reads as the end";
}

}  // namespace
}  // namespace vesk
