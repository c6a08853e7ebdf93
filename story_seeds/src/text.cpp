#include "story_seeds/text.h"

#include <cstdint>
#include <cstring>

namespace story_seeds {

namespace {

constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";
constexpr std::size_t kWordBytes = sizeof(std::uint64_t);

bool is_ascii_word(const char* bytes) {
  std::uint64_t word = 0;
  std::memcpy(&word, bytes, kWordBytes);
  return (word & 0x8080808080808080) == 0;
}

bool is_continuation(unsigned char byte) {
  return (byte & 0xC0) == 0x80;
}

// Length of the well-formed sequence at the start of `bytes`, or 0 when the
// first byte does not begin one. `*maximal_invalid` receives how many bytes
// form the maximal invalid subsequence in that case (at least 1).
std::size_t valid_sequence_length(std::string_view bytes, std::size_t* maximal_invalid) {
  const auto lead = static_cast<unsigned char>(bytes[0]);
  *maximal_invalid = 1;
  if (lead < 0x80) return 1;
  std::size_t length = 0;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  for (std::size_t i = 1; i < length; ++i) {
    if (i >= bytes.size()) return 0;
    const auto byte = static_cast<unsigned char>(bytes[i]);
    const unsigned char min = i == 1 ? low : 0x80;
    const unsigned char max = i == 1 ? high : 0xBF;
    if (byte < min || byte > max) return 0;
    *maximal_invalid = i + 1;
  }
  return length;
}

// Decodes the character that starts at `text[0]`; `text` is valid UTF-8.
char32_t decode_first(std::string_view text, std::size_t* length) {
  const auto lead = static_cast<unsigned char>(text[0]);
  if (lead < 0x80) {
    *length = 1;
    return lead;
  }
  std::size_t n = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
  char32_t code_point = lead & (0x7F >> n);
  for (std::size_t i = 1; i < n; ++i) {
    code_point = (code_point << 6) | (static_cast<unsigned char>(text[i]) & 0x3F);
  }
  *length = n;
  return code_point;
}

}  // namespace

bool is_valid_utf8(std::string_view bytes) {
  std::size_t i = 0;
  while (i < bytes.size()) {
    // Requests are mostly ASCII: skip it eight bytes at a time.
    if (i + kWordBytes <= bytes.size() && is_ascii_word(bytes.data() + i)) {
      i += kWordBytes;
      continue;
    }
    if (static_cast<unsigned char>(bytes[i]) < 0x80) {
      ++i;
      continue;
    }
    std::size_t invalid = 0;
    std::size_t length = valid_sequence_length(bytes.substr(i), &invalid);
    if (length == 0) return false;
    i += length;
  }
  return true;
}

std::string replace_invalid_utf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  std::size_t i = 0;
  while (i < bytes.size()) {
    std::size_t invalid = 0;
    std::size_t length = valid_sequence_length(bytes.substr(i), &invalid);
    if (length == 0) {
      out += kReplacementCharacter;
      i += invalid;
    } else {
      out.append(bytes.substr(i, length));
      i += length;
    }
  }
  return out;
}

bool is_white_space(char32_t c) {
  return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
         (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F ||
         c == 0x3000;
}

std::string_view trim_white_space(std::string_view text) {
  while (!text.empty()) {
    std::size_t length = 0;
    if (!is_white_space(decode_first(text, &length))) break;
    text.remove_prefix(length);
  }
  while (!text.empty()) {
    std::size_t start = text.size() - 1;
    while (start > 0 && is_continuation(static_cast<unsigned char>(text[start])))
      --start;
    std::size_t length = 0;
    if (!is_white_space(decode_first(text.substr(start), &length))) break;
    text.remove_suffix(text.size() - start);
  }
  return text;
}

std::size_t count_chars(std::string_view text) {
  std::size_t count = 0;
  for (char byte : text) {
    if (!is_continuation(static_cast<unsigned char>(byte))) ++count;
  }
  return count;
}

std::string_view first_chars(std::string_view text, std::size_t limit) {
  std::size_t chars = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (is_continuation(static_cast<unsigned char>(text[i]))) continue;
    if (chars == limit) return text.substr(0, i);
    ++chars;
  }
  return text;
}

}  // namespace story_seeds
