// One story seed: the record, its file bytes, its timestamp text and its id.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "story_seeds/agent_id.h"

namespace story_seeds {

// The record handed to the store; texts are already trimmed by the caller.
// Fields are listed in the order they are written to the seed file.
struct SeedDraft {
  std::uint32_t version = 1;
  std::string title;
  std::string what_happened;
  std::string why_it_mattered;  // empty when the caller had none
  std::vector<std::string> open_questions;
  std::string created_at;  // format_created_at() text
  AgentId agent = AgentId::Unknown;
};

// The exact bytes of a seed file: one compact JSON object with the seven
// entries above in that order, and no trailing newline.
std::string serialize_seed(const SeedDraft& seed);

// YYYY-MM-DDTHH:MM:SSZ (UTC, proleptic Gregorian, no leap seconds) for whole
// seconds since 1970-01-01T00:00:00Z.
std::string format_created_at(std::uint64_t seconds_since_epoch);

// Whole seconds since the epoch on the real-time clock; 0 before it.
std::uint64_t seconds_now();

// A fresh 26-character id: 48-bit milliseconds then 80 random bits, in
// Crockford base32, upper case. Never fails; safe on any thread.
std::string new_seed_id();

// 26 characters of the Crockford alphabet (either case), the first 0 to 7.
bool is_seed_id(std::string_view text);

}  // namespace story_seeds
