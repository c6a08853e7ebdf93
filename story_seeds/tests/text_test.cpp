#include "story_seeds/text.h"

#include <gtest/gtest.h>

namespace story_seeds {
namespace {

constexpr const char* kFffd = "\xEF\xBF\xBD";

TEST(Utf8, ReplacesEachMaximalInvalidSubpartOnce) {
  const std::string r = kFffd;
  const std::pair<std::string, std::string> cases[] = {
      {"plain \xC3\xA9 \xF0\x9F\x98\x80", "plain \xC3\xA9 \xF0\x9F\x98\x80"},
      {"\x80", r},
      {"\xC0\xAF", r + r},          // overlong lead is never valid
      {"\xE0\x80", r + r},          // E0 needs A0..BF next
      {"\xF0\x80\x80", r + r + r},  // F0 needs 90..BF next
      {"\xF0\x9F\x98", r},          // truncated but well begun
      {"\xF0\x9F\x98"
       "A",
       r + "A"},                            //
      {"\xED\xA0\x80", r + r + r},          // surrogate
      {"\xF4\x90\x80\x80", r + r + r + r},  // above U+10FFFF
      {"\xFF"
       "a\xFE",
       r + "a" + r},
      {"\xE2\x82", r},
  };
  for (const auto& [bytes, replaced] : cases) {
    EXPECT_EQ(replace_invalid_utf8(bytes), replaced) << bytes;
    EXPECT_EQ(is_valid_utf8(bytes), bytes == replaced) << bytes;
  }
}

TEST(Trim, RemovesEveryWhiteSpaceCharacterAndNothingElse) {
  const char* white_space[] = {"\t",           "\n",           "\v",
                               "\f",           "\r",           " ",
                               "\xC2\x85",     "\xC2\xA0",     "\xE1\x9A\x80",
                               "\xE2\x80\x80", "\xE2\x80\x8A", "\xE2\x80\xA8",
                               "\xE2\x80\xA9", "\xE2\x80\xAF", "\xE2\x81\x9F",
                               "\xE3\x80\x80"};
  for (const std::string space : white_space) {
    EXPECT_EQ(trim_white_space(space + "x" + space + space), "x") << space;
    EXPECT_TRUE(is_blank(space + space));
  }
  const char* not_white_space[] = {"\xEF\xBB\xBF", "\xE2\x80\x8B", "\xE1\xA0\x8E", "\x1F"};
  for (const std::string other : not_white_space) {
    EXPECT_EQ(trim_white_space(other + "x" + other), other + "x" + other) << other;
  }
  EXPECT_EQ(trim_white_space(" a b "), "a b");
  EXPECT_EQ(trim_white_space(""), "");
}

TEST(Chars, CountAndCutWholeCharacters) {
  const std::string mixed = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";  // 1-, 2-, 3-, 4-byte
  EXPECT_EQ(count_chars(mixed), 4u);
  EXPECT_EQ(count_chars(""), 0u);
  const std::pair<std::size_t, std::string_view> cases[] = {
      {0, ""}, {1, "a"}, {2, "a\xC3\xA9"}, {3, "a\xC3\xA9\xE2\x82\xAC"}, {4, mixed}, {9, mixed}};
  for (const auto& [limit, cut] : cases)
    EXPECT_EQ(first_chars(mixed, limit), cut) << limit;
}

}  // namespace
}  // namespace story_seeds
