#include <gtest/gtest.h>
#include <time.h>

#include <set>
#include <tuple>

#include "random_bytes.h"
#include "seed_id.h"
#include "siphash.h"
#include "story_seeds/seed.h"

namespace story_seeds {
namespace {

TEST(SerializeSeed, WritesExactBytes) {
  const SeedDraft bare{.title = "T",
                       .what_happened = "W",
                       .why_it_mattered = "",
                       .open_questions = {},
                       .created_at = "1970-01-01T00:00:00Z"};
  const SeedDraft escaped{.title = "\t\"\\\x1f\x7f/\xC3\xA9",
                          .what_happened = "\b\f\n\r\x01",
                          .why_it_mattered = "why",
                          .open_questions = {"a?", "b\x1b"},
                          .created_at = "1970-01-01T00:00:00Z",
                          .agent = AgentId::ClaudeCode};

  EXPECT_EQ(serialize_seed(bare),
            R"({"version":1,"title":"T","what_happened":"W","why_it_mattered":"",)"
            R"("open_questions":[],"created_at":"1970-01-01T00:00:00Z","agent":"unknown"})");
  EXPECT_EQ(serialize_seed(escaped),
            "{\"version\":1,\"title\":\"\\t\\\"\\\\\\u001f\x7f/\xC3\xA9\","
            R"("what_happened":"\b\f\n\r\u0001","why_it_mattered":"why",)"
            R"("open_questions":["a?","b\u001b"],"created_at":"1970-01-01T00:00:00Z",)"
            R"("agent":"claude-code"})");
}

TEST(FormatCreatedAt, IsUtcCivilTime) {
  const std::pair<std::uint64_t, const char*> cases[] = {
      {0, "1970-01-01T00:00:00Z"},
      {86399, "1970-01-01T23:59:59Z"},
      {951782400, "2000-02-29T00:00:00Z"},
      {1709251199, "2024-02-29T23:59:59Z"},
      {4107542400, "2100-03-01T00:00:00Z"},
      {253402300799, "9999-12-31T23:59:59Z"},
      {253402300800, "10000-01-01T00:00:00Z"},
      {UINT64_MAX, "584554051223-11-09T07:00:15Z"},
  };
  for (const auto& [seconds, text] : cases)
    EXPECT_EQ(format_created_at(seconds), text);
}

TEST(SeedId, EncodesTimeThenRandomBits) {
  const RandomBytes counting{0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF, 0x01, 0x23};
  RandomBytes ones;
  ones.fill(0xFF);
  const std::uint64_t max_time = (std::uint64_t{1} << 48) - 1;
  const std::tuple<std::uint64_t, RandomBytes, const char*> cases[] = {
      {0, RandomBytes{}, "00000000000000000000000000"},
      {max_time, ones, "7ZZZZZZZZZZZZZZZZZZZZZZZZZ"},
      {1469918176385, counting, "01ARYZ6S4104HMASW9NF6YY093"},
      {max_time + 1 + 1469918176385, counting, "01ARYZ6S4104HMASW9NF6YY093"},
  };
  for (const auto& [milliseconds, random, id] : cases) {
    EXPECT_EQ(encode_seed_id(milliseconds, random), id);
  }
}

TEST(SeedId, FreshIdsAreWellFormedDistinctAndSortByTime) {
  std::set<std::string> ids;
  for (int i = 0; i < 200; ++i)
    ids.insert(new_seed_id());
  EXPECT_EQ(ids.size(), 200u);
  for (const std::string& id : ids) {
    EXPECT_TRUE(is_seed_id(id) && id.find_first_of("abcdefghjkmnpqrstvwxyz") == id.npos) << id;
  }
  for (int i = 0; i < 5; ++i) {
    const std::string earlier = new_seed_id();
    const timespec two_ms{0, 2'000'000};
    ::nanosleep(&two_ms, nullptr);
    EXPECT_LT(earlier, new_seed_id());
  }
  std::set<RandomBytes> fallback;
  for (int i = 0; i < 1000; ++i)
    fallback.insert(fallback_random_bytes());
  EXPECT_EQ(fallback.size(), 1000u);
}

TEST(SipHash, MatchesReferenceVectors) {
  std::uint8_t bytes[16];
  for (int i = 0; i < 16; ++i)
    bytes[i] = static_cast<std::uint8_t>(i);
  const std::uint64_t k0 = load_le64(bytes), k1 = load_le64(bytes + 8);
  EXPECT_EQ((sip_hash<2, 4>(k0, k1, bytes, 0)), 0x726fdb47dd0e0e31u);
  EXPECT_EQ((sip_hash<2, 4>(k0, k1, bytes, 15)), 0xa129ca6149be45e5u);
}

TEST(IsSeedId, AcceptsOnlyTheIdShape) {
  const std::pair<std::string_view, bool> cases[] = {
      {"01ARYZ6S4104HMASW9NF6YY093", true},   {"01aryz6s4104hmasw9nf6yy093", true},
      {"7ZZZZZZZZZZZZZZZZZZZZZZZZZ", true},   {"01ARYZ6S4104HMASW9NF6YY09", false},
      {"01ARYZ6S4104HMASW9NF6YY0933", false}, {"81ARYZ6S4104HMASW9NF6YY093", false},
      {"01ARYZ6S4104HMASW9NF6YY09I", false},  {"01ARYZ6S4104HMASW9NF6YY09l", false},
      {"01ARYZ6S4104HMASW9NF6YY09O", false},  {"01ARYZ6S4104HMASW9NF6YY09u", false},
      {"01ARYZ6S4104HMASW9NF6YY09-", false},  {"", false},
  };
  for (const auto& [text, valid] : cases)
    EXPECT_EQ(is_seed_id(text), valid) << text;
}

}  // namespace
}  // namespace story_seeds
