// The rules a seed must pass before it is stored.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "story_seeds/seed.h"

namespace story_seeds {

inline constexpr std::size_t kMaxTitleChars = 120;
inline constexpr std::size_t kMaxWhatHappenedChars = 2000;
inline constexpr std::size_t kMaxWhyItMatteredChars = 1000;
inline constexpr std::size_t kMaxQuestionChars = 200;
inline constexpr std::size_t kMaxQuestions = 5;

// Why a seed is refused. Its message is shown to the agent as is; its reason
// code goes to the event log.
class SeedValidationError {
 public:
  enum class Variant { Missing, TooLong, TooManyQuestions, TooLarge };

  static SeedValidationError missing(std::string_view field);
  static SeedValidationError too_long(std::size_t limit, std::string_view field);
  static SeedValidationError too_many_questions(std::size_t limit);
  static SeedValidationError too_large();

  Variant variant() const { return variant_; }
  // "missing", "too_long", "too_many_questions" or "too_large".
  std::string_view reason_code() const;
  std::string message() const;

  friend bool operator==(const SeedValidationError&, const SeedValidationError&) = default;

 private:
  SeedValidationError(Variant variant, std::size_t limit, std::string_view field)
      : variant_(variant), limit_(limit), field_(field) {}

  Variant variant_;
  std::size_t limit_;
  std::string field_;
};

// The first rule `seed` breaks, in a fixed order, or nothing when it is valid.
// Lengths count characters; blank means empty after trimming.
std::optional<SeedValidationError> validate_seed(const SeedDraft& seed);

}  // namespace story_seeds
