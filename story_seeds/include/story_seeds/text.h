// UTF-8 text helpers. Every length, limit and cut counts Unicode scalar
// values, never bytes, and never splits a character.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace story_seeds {

bool is_valid_utf8(std::string_view bytes);

// Replaces each maximal invalid subsequence with one U+FFFD, the way the
// Unicode standard recommends; valid input comes back unchanged.
std::string replace_invalid_utf8(std::string_view bytes);

// Whether `code_point` has the Unicode White_Space property.
bool is_white_space(char32_t code_point);

// Strips White_Space characters at both ends. `text` must be valid UTF-8.
std::string_view trim_white_space(std::string_view text);

// Empty after trimming.
inline bool is_blank(std::string_view text) {
  return trim_white_space(text).empty();
}

// Number of scalar values in valid UTF-8 `text`.
std::size_t count_chars(std::string_view text);

// The first `limit` scalar values of valid UTF-8 `text` (all of it when shorter).
std::string_view first_chars(std::string_view text, std::size_t limit);

}  // namespace story_seeds
