// Any bytes that parse are written as text that parses back (no string in it
// holds a raw control character) to an equal value and the same text; any text
// put in a seed file, whose JSON writer is its own, reads back unchanged.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "lib/json_value.h"
#include "story_seeds/seed.h"
#include "story_seeds/text.h"

using vesk::JsonValue;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  story_seeds::SeedDraft draft;
  draft.title = story_seeds::replace_invalid_utf8(text);
  const std::optional<JsonValue> seed = JsonValue::parse(story_seeds::serialize_seed(draft));
  FUZZ_CHECK(seed && seed->find("title") && *seed->find("title") == JsonValue::string(draft.title));

  const std::optional<JsonValue> value = JsonValue::parse(text);
  if (!value) return 0;
  const std::string written = value->write();
  const std::optional<JsonValue> reread = JsonValue::parse(written);
  FUZZ_CHECK(reread && *reread == *value && reread->write() == written);
  return 0;
}
