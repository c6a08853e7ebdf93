#include "clock.h"

#include <time.h>

#include <optional>

#include "story_seeds/seed.h"

namespace story_seeds {

namespace {

std::optional<timespec> since_epoch() {
  timespec now{};
  if (::clock_gettime(CLOCK_REALTIME, &now) != 0 || now.tv_sec < 0) return std::nullopt;
  return now;
}

}  // namespace

std::uint64_t seconds_now() {
  const auto now = since_epoch();
  return now ? static_cast<std::uint64_t>(now->tv_sec) : 0;
}

std::uint64_t milliseconds_now() {
  const auto now = since_epoch();
  if (!now) return 0;
  return static_cast<std::uint64_t>(now->tv_sec) * 1000 +
         static_cast<std::uint64_t>(now->tv_nsec) / 1'000'000;
}

Uint128 nanoseconds_now() {
  const auto now = since_epoch();
  if (!now) return 0;
  return static_cast<Uint128>(now->tv_sec) * 1'000'000'000 + static_cast<Uint128>(now->tv_nsec);
}

}  // namespace story_seeds
