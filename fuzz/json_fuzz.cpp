// Any bytes: when they parse, writing the value and parsing the written text
// gives an equal value, and writing that again gives the same text.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "lib/json_value.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  std::optional<vesk::JsonValue> value = vesk::JsonValue::parse(text);
  if (!value) return 0;
  std::string written = value->write();
  // Written text travels as one line: every control character is escaped.
  for (char c : written)
    FUZZ_CHECK(static_cast<unsigned char>(c) >= 0x20);
  std::optional<vesk::JsonValue> reread = vesk::JsonValue::parse(written);
  FUZZ_CHECK(reread.has_value());
  FUZZ_CHECK(*reread == *value);
  FUZZ_CHECK(reread->write() == written);
  return 0;
}
