#include "lib/json_big_integers.h"

#include <algorithm>

namespace vesk {

namespace {

bool is_digit(char c) {
  return c >= '0' && c <= '9';
}

std::size_t skip_digits(std::string_view text, std::size_t i) {
  while (i < text.size() && is_digit(text[i]))
    ++i;
  return i;
}

// Whether an integer's digits (no sign) stand for more than the largest
// magnitude 64 bits hold with that sign.
bool beyond_64_bits(std::string_view digits, bool negative) {
  const std::string_view limit = negative ? "9223372036854775808" : "18446744073709551615";
  const std::size_t significant = digits.find_first_not_of('0');
  if (significant == std::string_view::npos) return false;
  digits.remove_prefix(significant);
  return digits.size() > limit.size() || (digits.size() == limit.size() && digits > limit);
}

}  // namespace

std::optional<std::string> big_integers_as_fractions(std::string_view text) {
  std::string out;
  bool changed = false;
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t start = i;
    if (text[i] == '"') {  // a string, copied untouched
      for (++i; i < text.size() && text[i] != '"'; ++i) {
        if (text[i] == '\\') ++i;
      }
      i = std::min(i + 1, text.size());
    } else if (text[i] == '-' || is_digit(text[i])) {
      const bool negative = text[i] == '-';
      const std::size_t digits_end = skip_digits(text, i + (negative ? 1 : 0));
      i = digits_end;
      const bool integer = i == text.size() || (text[i] != '.' && text[i] != 'e' && text[i] != 'E');
      if (!integer) {  // the fraction and exponent belong to this number
        if (text[i] == '.') i = skip_digits(text, i + 1);
        if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
          ++i;
          if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
          i = skip_digits(text, i);
        }
      }
      const std::size_t digits_start = start + (negative ? 1 : 0);
      if (integer &&
          beyond_64_bits(text.substr(digits_start, digits_end - digits_start), negative)) {
        out.append(text.substr(start, i - start));
        out += ".0";
        changed = true;
        continue;
      }
      i = std::max(i, start + 1);
    } else {
      ++i;
    }
    out.append(text.substr(start, i - start));
  }
  if (!changed) return std::nullopt;
  return out;
}

}  // namespace vesk
