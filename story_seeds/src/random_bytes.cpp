#include "random_bytes.h"

#include <fcntl.h>
#include <unistd.h>

#if defined(__APPLE__)
#include <CommonCrypto/CommonCryptoError.h>
#include <CommonCrypto/CommonRandom.h>
#else
#include <sys/random.h>
#endif

#include <array>
#include <atomic>
#include <optional>

#include "clock.h"
#include "siphash.h"
#include "story_seeds/posix_io.h"

namespace story_seeds {

namespace {

struct HashKey {
  std::uint64_t k0;
  std::uint64_t k1;
};

// Only for a system whose random source fails outright. Ids stay distinct
// through the counter, the clock and the process id; they are just guessable.
constexpr HashKey kFixedKey = {0x5eed'5eed'0000'0001, 0x5eed'5eed'0000'0002};

HashKey draw_thread_key() {
  std::array<std::uint8_t, 16> bytes{};
#if defined(__APPLE__)
  const bool drawn = ::CCRandomGenerateBytes(bytes.data(), bytes.size()) == kCCSuccess;
#else
  const bool drawn = ::getentropy(bytes.data(), bytes.size()) == 0;
#endif
  if (!drawn) return kFixedKey;
  return {load_le64(bytes.data()), load_le64(bytes.data() + 8)};
}

// Each call gets a different key, so two ids from one thread never share one.
HashKey next_thread_key() {
  thread_local HashKey key = draw_thread_key();
  const HashKey copy = key;
  ++key.k0;
  return copy;
}

std::atomic<std::uint64_t> g_fallback_counter{0};

std::uint8_t* put_le(std::uint8_t* out, Uint128 value, int byte_count) {
  for (int i = 0; i < byte_count; ++i)
    *out++ = static_cast<std::uint8_t>(value >> (8 * i));
  return out;
}

std::uint64_t hash_chunk(const HashKey& key, std::uint64_t counter, std::uint64_t chunk) {
  std::array<std::uint8_t, 8 + 8 + 16 + 4> message{};
  std::uint8_t* out = put_le(message.data(), counter, 8);
  out = put_le(out, chunk, 8);
  out = put_le(out, nanoseconds_now(), 16);
  put_le(out, static_cast<std::uint32_t>(::getpid()), 4);
  return sip_hash_1_3(key.k0, key.k1, message.data(), message.size());
}

std::optional<RandomBytes> read_urandom() {
  auto device = open_fd("/dev/urandom", O_RDONLY);
  if (!device.ok()) return std::nullopt;
  RandomBytes bytes{};
  auto read = read_up_to(device.value().get(), bytes.size());
  if (!read.ok() || read.value().size() != bytes.size()) return std::nullopt;
  for (std::size_t i = 0; i < bytes.size(); ++i)
    bytes[i] = static_cast<std::uint8_t>(read.value()[i]);
  return bytes;
}

}  // namespace

RandomBytes fallback_random_bytes() {
  const HashKey key = next_thread_key();
  const std::uint64_t counter = g_fallback_counter.fetch_add(1, std::memory_order_relaxed);
  const std::uint64_t high = hash_chunk(key, counter, 0);
  const std::uint64_t low = hash_chunk(key, counter, 1);
  RandomBytes bytes{};
  for (int i = 0; i < 8; ++i)
    bytes[i] = static_cast<std::uint8_t>(high >> (56 - 8 * i));
  bytes[8] = static_cast<std::uint8_t>(low >> 56);
  bytes[9] = static_cast<std::uint8_t>(low >> 48);
  return bytes;
}

RandomBytes random_bytes() {
  if (auto bytes = read_urandom()) return *bytes;
  return fallback_random_bytes();
}

}  // namespace story_seeds
