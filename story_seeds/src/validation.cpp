#include "story_seeds/validation.h"

#include "story_seeds/text.h"

namespace story_seeds {

namespace {

// Trimming needs valid UTF-8; bytes that are not are certainly not blank.
bool is_blank_text(std::string_view text) {
  return is_valid_utf8(text) && is_blank(text);
}

}  // namespace

SeedValidationError SeedValidationError::missing(std::string_view field) {
  return SeedValidationError(Variant::Missing, 0, field);
}

SeedValidationError SeedValidationError::too_long(std::size_t limit, std::string_view field) {
  return SeedValidationError(Variant::TooLong, limit, field);
}

SeedValidationError SeedValidationError::too_many_questions(std::size_t limit) {
  return SeedValidationError(Variant::TooManyQuestions, limit, "open_questions");
}

SeedValidationError SeedValidationError::too_large() {
  return SeedValidationError(Variant::TooLarge, 0, "");
}

std::string_view SeedValidationError::reason_code() const {
  switch (variant_) {
    case Variant::Missing:
      return "missing";
    case Variant::TooLong:
      return "too_long";
    case Variant::TooManyQuestions:
      return "too_many_questions";
    case Variant::TooLarge:
      return "too_large";
  }
  return "too_large";
}

std::string SeedValidationError::message() const {
  const std::string field = "`" + field_ + "`";
  const std::string limit = std::to_string(limit_);
  switch (variant_) {
    case Variant::Missing:
      return field + " is required and can't be blank.";
    case Variant::TooLong:
      return field + " is longer than " + limit +
             " characters. Shorten it and save again — nothing was cut or saved.";
    case Variant::TooManyQuestions:
      return field + " has more than " + limit + " items. Keep the " + limit +
             " that matter most and save again.";
    case Variant::TooLarge:
      break;
  }
  return "This seed is too large to store. Shorten `what_happened` or `why_it_mattered` and save "
         "again.";
}

std::optional<SeedValidationError> validate_seed(const SeedDraft& seed) {
  using Error = SeedValidationError;
  if (is_blank_text(seed.title)) return Error::missing("title");
  if (is_blank_text(seed.what_happened)) return Error::missing("what_happened");
  if (count_chars(seed.title) > kMaxTitleChars) return Error::too_long(kMaxTitleChars, "title");
  if (count_chars(seed.what_happened) > kMaxWhatHappenedChars) {
    return Error::too_long(kMaxWhatHappenedChars, "what_happened");
  }
  if (count_chars(seed.why_it_mattered) > kMaxWhyItMatteredChars) {
    return Error::too_long(kMaxWhyItMatteredChars, "why_it_mattered");
  }
  if (seed.open_questions.size() > kMaxQuestions) return Error::too_many_questions(kMaxQuestions);
  for (const std::string& question : seed.open_questions) {
    if (count_chars(question) > kMaxQuestionChars) {
      return Error::too_long(kMaxQuestionChars, "open_questions");
    }
  }
  return std::nullopt;
}

}  // namespace story_seeds
