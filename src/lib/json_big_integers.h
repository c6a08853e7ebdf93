// Integers beyond 64 bits, which simdjson refuses and JSON reads as doubles.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vesk {

// `text` with every integer beyond 64 bits (outside strings) spelt with a
// fraction, so that it parses as the same double; nothing when it has none.
std::optional<std::string> big_integers_as_fractions(std::string_view text);

}  // namespace vesk
