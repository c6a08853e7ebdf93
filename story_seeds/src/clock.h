// Readings of the real-time clock. A clock set before 1970 reads as 0.
#pragma once

#include <cstdint>

namespace story_seeds {

__extension__ typedef unsigned __int128 Uint128;

std::uint64_t milliseconds_now();
Uint128 nanoseconds_now();

}  // namespace story_seeds
