// SipHash, the keyed hash that stands in for the system random source when
// that cannot be read.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

namespace story_seeds {

inline std::uint64_t load_le64(const std::uint8_t* bytes) {
  std::uint64_t value = 0;
  for (int i = 7; i >= 0; --i)
    value = (value << 8) | bytes[i];
  return value;
}

// SipHash-c-d of `size` bytes under the 128-bit key (k0, k1).
template <int CompressionRounds, int FinalizationRounds>
std::uint64_t sip_hash(std::uint64_t k0, std::uint64_t k1, const std::uint8_t* data,
                       std::size_t size) {
  std::uint64_t v0 = k0 ^ 0x736f6d6570736575;
  std::uint64_t v1 = k1 ^ 0x646f72616e646f6d;
  std::uint64_t v2 = k0 ^ 0x6c7967656e657261;
  std::uint64_t v3 = k1 ^ 0x7465646279746573;
  auto round = [&] {
    v0 += v1;
    v1 = std::rotl(v1, 13) ^ v0;
    v0 = std::rotl(v0, 32);
    v2 += v3;
    v3 = std::rotl(v3, 16) ^ v2;
    v0 += v3;
    v3 = std::rotl(v3, 21) ^ v0;
    v2 += v1;
    v1 = std::rotl(v1, 17) ^ v2;
    v2 = std::rotl(v2, 32);
  };
  auto absorb = [&](std::uint64_t word) {
    v3 ^= word;
    for (int i = 0; i < CompressionRounds; ++i)
      round();
    v0 ^= word;
  };

  const std::size_t whole_words = size / 8;
  for (std::size_t i = 0; i < whole_words; ++i)
    absorb(load_le64(data + 8 * i));
  std::uint64_t last = static_cast<std::uint64_t>(size) << 56;
  for (std::size_t i = 8 * whole_words; i < size; ++i) {
    last |= static_cast<std::uint64_t>(data[i]) << (8 * (i % 8));
  }
  absorb(last);

  v2 ^= 0xff;
  for (int i = 0; i < FinalizationRounds; ++i)
    round();
  return v0 ^ v1 ^ v2 ^ v3;
}

inline std::uint64_t sip_hash_1_3(std::uint64_t k0, std::uint64_t k1, const std::uint8_t* data,
                                  std::size_t size) {
  return sip_hash<1, 3>(k0, k1, data, size);
}

}  // namespace story_seeds
