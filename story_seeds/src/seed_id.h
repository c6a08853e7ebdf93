// How a seed id is spelled.
#pragma once

#include <cstdint>
#include <string>

#include "random_bytes.h"

namespace story_seeds {

// The 128-bit number (milliseconds mod 2^48)·2^80 + random, as 26 Crockford
// base32 characters, most significant first.
std::string encode_seed_id(std::uint64_t milliseconds, const RandomBytes& random);

}  // namespace story_seeds
