#include "seed_id.h"

#include <algorithm>

#include "clock.h"
#include "story_seeds/seed.h"

namespace story_seeds {

namespace {

constexpr std::string_view kAlphabet = "0123456789ABCDEFGHJKMNPQRSTVWXYZ";
constexpr std::size_t kSeedIdLength = 26;
constexpr std::uint64_t kTimeMask = (std::uint64_t{1} << 48) - 1;

bool is_id_char(char c) {
  if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return kAlphabet.find(c) != std::string_view::npos;
}

}  // namespace

std::string encode_seed_id(std::uint64_t milliseconds, const RandomBytes& random) {
  Uint128 value = static_cast<Uint128>(milliseconds & kTimeMask) << 80;
  for (std::size_t i = 0; i < random.size(); ++i) {
    value |= static_cast<Uint128>(random[i]) << (8 * (random.size() - 1 - i));
  }
  // 26 characters hold 130 bits, so the first one carries only the top 3.
  std::string id(kSeedIdLength, '0');
  for (std::size_t i = 0; i < kSeedIdLength; ++i) {
    id[i] = kAlphabet[static_cast<std::size_t>(value >> (125 - 5 * i)) & 31];
  }
  return id;
}

std::string new_seed_id() {
  const std::uint64_t milliseconds = milliseconds_now();
  return encode_seed_id(milliseconds, random_bytes());
}

bool is_seed_id(std::string_view text) {
  if (text.size() != kSeedIdLength || text[0] < '0' || text[0] > '7') return false;
  return std::all_of(text.begin(), text.end(), is_id_char);
}

}  // namespace story_seeds
