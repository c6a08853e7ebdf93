// The 80 random bits of a seed id.
#pragma once

#include <array>
#include <cstdint>

namespace story_seeds {

using RandomBytes = std::array<std::uint8_t, 10>;

// From /dev/urandom, or from fallback_random_bytes() when it cannot be read.
RandomBytes random_bytes();

// A keyed hash of a process-wide counter, the clock and the process id, keyed
// per thread from the system random source (or a fixed key when even that
// fails). Never fails; successive calls differ.
RandomBytes fallback_random_bytes();

}  // namespace story_seeds
