#include "story_seeds/validation.h"

#include <gtest/gtest.h>

namespace story_seeds {
namespace {

std::string repeat(std::string_view unit, std::size_t count) {
  std::string text;
  for (std::size_t i = 0; i < count; ++i)
    text += unit;
  return text;
}

SeedDraft draft(std::string title, std::string what = "did it", std::string why = "",
                std::vector<std::string> questions = {}) {
  SeedDraft seed;
  seed.title = std::move(title);
  seed.what_happened = std::move(what);
  seed.why_it_mattered = std::move(why);
  seed.open_questions = std::move(questions);
  return seed;
}

constexpr const char* kDash = " \xE2\x80\x94 ";

std::string too_long(const std::string& field, int limit) {
  return "`" + field + "` is longer than " + std::to_string(limit) +
         " characters. Shorten it and save again" + kDash + "nothing was cut or saved.";
}

TEST(ValidateSeed, ReportsTheFirstBrokenRule) {
  const std::string missing_title = "`title` is required and can't be blank.";
  const std::string too_many =
      "`open_questions` has more than 5 items. Keep the 5 that matter most "
      "and save again.";
  const std::vector<std::string> six(6, "q?");
  std::vector<std::string> six_one_long = six;
  six_one_long[3] = repeat("q", 201);
  const std::pair<SeedDraft, std::string> cases[] = {
      // empty message: valid
      {draft("ok"), ""},
      {draft(""), missing_title},
      {draft("   "), missing_title},
      {draft(" ", "\t\n"), missing_title},
      {draft("ok", "\xE3\x80\x80\xC2\x85"), "`what_happened` is required and can't be blank."},
      {draft("\xEF\xBB\xBF"), ""},  // U+FEFF is not white space
      {draft(repeat("t", 120)), ""},
      {draft(repeat("\xF0\x9F\x98\x80", 120)), ""},
      {draft(repeat("t", 121)), too_long("title", 120)},
      {draft(repeat("t", 121), "w", "", six), too_long("title", 120)},
      {draft("t", repeat("w", 2000), repeat("\xC3\xA9", 1000), {repeat("q", 200)}), ""},
      {draft("t", repeat("w", 2001)), too_long("what_happened", 2000)},
      {draft("t", "w", repeat("y", 1001)), too_long("why_it_mattered", 1000)},
      {draft("t", "w", "", six_one_long), too_many},
      {draft("t", "w", "", {repeat("q", 201)}), too_long("open_questions", 200)},
      {draft("t", "w", "", {"a", "b", "c", "d", repeat("\xE2\x82\xAC", 201)}),
       too_long("open_questions", 200)},
  };
  for (const auto& [seed, message] : cases) {
    const auto error = validate_seed(seed);
    EXPECT_EQ(error ? error->message() : "", message) << seed.title;
  }
}

TEST(SeedValidationError, ReasonCodes) {
  EXPECT_EQ(SeedValidationError::missing("title").reason_code(), "missing");
  EXPECT_EQ(SeedValidationError::too_long(120, "title").reason_code(), "too_long");
  EXPECT_EQ(SeedValidationError::too_many_questions(5).reason_code(), "too_many_questions");
  EXPECT_EQ(SeedValidationError::too_large().reason_code(), "too_large");
  EXPECT_EQ(SeedValidationError::too_large().message(),
            "This seed is too large to store. Shorten `what_happened` or `why_it_mattered` and "
            "save again.");
}

}  // namespace
}  // namespace story_seeds
