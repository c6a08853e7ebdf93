#include "lib/json_value.h"

#include <dirent.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace vesk {
namespace {

struct RoundTrip {
  std::string text;
  std::string written;  // empty: the text does not parse
};

TEST(JsonValue, ParsesStrictlyAndWritesCompactly) {
  const std::vector<RoundTrip> cases = {
      {R"( {"b" : 1, "a" : [true, false, null]} )", R"({"a":[true,false,null],"b":1})"},
      {R"({"a":1,"a":2})", R"({"a":2})"},
      {R"({"ab":1,"a":2,"B":3,"é":4,"b":5})", R"({"B":3,"a":2,"ab":1,"b":5,"é":4})"},
      {"[1.50, 100.0, -0.0, 1e300, 5e-324]", "[1.5,100.0,-0.0,1e+300,5e-324]"},
      {"[9223372036854775807, -9223372036854775808, 18446744073709551615]",
       "[9223372036854775807,-9223372036854775808,18446744073709551615]"},
      {"[-9223372036854775809]", "[-9.223372036854776e+18]"},
      {R"("\/\u00e9\ud83d\ude00\u007f")", "\"/\u00e9\U0001F600\x7f\""},
      {R"("\u0000\u001F\u0008\u000c")", R"("\u0000\u001f\b\f")"},
      {"\t\r\n 7 \t\r\n", "7"},
      {"1e400", ""},
      {"-1e400", ""},
      {"[1,]", ""},
      {"{\"a\":1,}", ""},
      {"// c\n1", ""},
      {"\"tab\tinside\"", ""},
      {"\"\\ud800\"", ""},
      {"\"\\udc00\\ud800\"", ""},
      {"01", ""},
      {"NaN", ""},
      {"'x'", ""},
      {"1 2", ""},
      {"\xEF\xBB\xBF{}", ""},
      {"", ""},
      {"\f1", ""},
      {std::string("1\0", 2), ""},
      {std::string("\"a\0\"", 4), ""},
  };
  for (const RoundTrip& c : cases) {
    std::optional<JsonValue> value = JsonValue::parse(c.text);
    if (c.written.empty()) {
      EXPECT_FALSE(value.has_value()) << c.text;
      continue;
    }
    ASSERT_TRUE(value.has_value()) << c.text;
    EXPECT_EQ(value->write(), c.written) << c.text;
    EXPECT_EQ(JsonValue::parse(c.written), value) << c.text;
  }
}

TEST(JsonValue, NestsAtMost127Deep) {
  auto nested = [](int depth, char open, char close) {
    return std::string(depth, open) + std::string(depth, close);
  };
  EXPECT_TRUE(JsonValue::parse(nested(127, '[', ']')).has_value());
  EXPECT_FALSE(JsonValue::parse(nested(128, '[', ']')).has_value());
  std::string objects;
  for (int i = 0; i < 127; ++i)
    objects += R"({"a":)";
  objects += "1" + std::string(127, '}');
  EXPECT_TRUE(JsonValue::parse(objects).has_value());
  EXPECT_FALSE(JsonValue::parse(R"({"a":)" + objects + "}").has_value());
}

TEST(JsonValue, KeepsNumberKinds) {
  auto kind = [](const char* text) { return JsonValue::parse(text)->type(); };
  EXPECT_EQ(kind("-1"), JsonValue::Type::Integer);
  EXPECT_EQ(kind("9223372036854775807"), JsonValue::Type::Integer);
  EXPECT_EQ(JsonValue::parse("-0"), JsonValue::parse("0"));
  EXPECT_EQ(kind("9223372036854775808"), JsonValue::Type::Unsigned);
  EXPECT_EQ(kind("18446744073709551616"), JsonValue::Type::Double);
  EXPECT_EQ(kind("1.0"), JsonValue::Type::Double);
}

TEST(JsonValue, PointerLookup) {
  JsonValue doc = *JsonValue::parse(R"({"a":{"b":[10,{"c/d":1,"e~f":2}]},"":3})");
  struct Case {
    const char* pointer;
    const char* found;  // written form, or null when it does not resolve
  };
  const std::vector<Case> cases = {
      {"", R"({"":3,"a":{"b":[10,{"c/d":1,"e~f":2}]}})"},
      {"/a/b/0", "10"},
      {"/a/b/1/c~1d", "1"},
      {"/a/b/1/e~0f", "2"},
      {"/", "3"},
      {"/a/b/01", nullptr},
      {"/a/b/2", nullptr},
      {"/a/b/-", nullptr},
      {"/a/x", nullptr},
      {"/a/b/0/c", nullptr},
      {"a", nullptr},
      {"/a/b/1/c~2d", nullptr},
  };
  for (const Case& c : cases) {
    const JsonValue* value = doc.at_pointer(c.pointer);
    if (c.found == nullptr) {
      EXPECT_EQ(value, nullptr) << c.pointer;
    } else {
      ASSERT_NE(value, nullptr) << c.pointer;
      EXPECT_EQ(value->write(), c.found) << c.pointer;
    }
  }
}

TEST(JsonValue, RawTextIsWrittenVerbatim) {
  JsonValue::Object members;
  members.emplace("k", JsonValue::raw(std::make_shared<const std::string>(R"({"z":1,"a":2})")));
  EXPECT_EQ(JsonValue::object(members).write(), R"({"k":{"z":1,"a":2}})");
}

}  // namespace
}  // namespace vesk
