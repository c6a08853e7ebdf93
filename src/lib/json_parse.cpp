// Parsing with simdjson's DOM parser, which checks the strict grammar and
// UTF-8; we build our own tree from its document and enforce the nesting limit.
#include <simdjson.h>

#include <optional>
#include <string>

#include "lib/json_big_integers.h"
#include "lib/json_value.h"

namespace vesk {

namespace {

using simdjson::dom::element;
using simdjson::dom::element_type;

// Our tree of `value`, which sits inside `depth` containers; false when a
// container would be nested deeper than the limit.
bool build(element value, int depth, JsonValue& out) {
  switch (value.type()) {
    case element_type::ARRAY: {
      if (depth == JsonValue::kMaxDepth) return false;
      out = JsonValue::array();
      // Named, not iterated as a temporary: GCC 12 then sees no dangling pointer.
      const simdjson::dom::array array = value.get_array().value_unsafe();
      JsonValue::Array& items = out.as_array();
      items.reserve(array.size());
      for (element item : array) {
        if (!build(item, depth + 1, items.emplace_back())) return false;
      }
      return true;
    }
    case element_type::OBJECT: {
      if (depth == JsonValue::kMaxDepth) return false;
      out = JsonValue::object();
      const simdjson::dom::object object = value.get_object().value_unsafe();
      JsonValue::Object& members = out.as_object();
      for (simdjson::dom::key_value_pair member : object) {
        // Assignment, not insertion: of repeated keys the last one wins.
        JsonValue& slot = members[std::string(member.key)];
        slot = JsonValue();
        if (!build(member.value, depth + 1, slot)) return false;
      }
      return true;
    }
    // Non-negative integers come as signed whenever they fit, so each integer
    // has one representation ("-0" and "0" are the same value).
    case element_type::INT64:
      out = JsonValue::integer(value.get_int64().value_unsafe());
      return true;
    case element_type::UINT64:
      out = JsonValue::unsigned_integer(value.get_uint64().value_unsafe());
      return true;
    case element_type::DOUBLE:
      out = JsonValue::number(value.get_double().value_unsafe());
      return true;
    // Digits of an integer beyond 64 bits, given only to a parser switched to
    // number_as_string(); ours fails such a text, which comes back respelt.
    case element_type::BIGINT:
      return false;
    case element_type::STRING:
      out = JsonValue::string(std::string(value.get_string().value_unsafe()));
      return true;
    case element_type::BOOL:
      out = JsonValue::boolean(value.get_bool().value_unsafe());
      return true;
    case element_type::NULL_VALUE:
      break;
  }
  out = JsonValue();
  return true;
}

simdjson::dom::parser make_parser() {
  simdjson::dom::parser parser;
  // `build` alone enforces the nesting limit; simdjson's own depth only must
  // not refuse what `build` takes. simdjson counts a scalar as a level of its
  // own, so 127 containers around a scalar need a depth of 128, which also
  // lets 128 empty containers through to `build`. Should this allocation
  // fail, the first parse tries again.
  [[maybe_unused]] const simdjson::error_code status =
      parser.allocate(4096, JsonValue::kMaxDepth + 1);
  return parser;
}

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

}  // namespace

std::optional<JsonValue> JsonValue::parse(std::string_view text) {
  // Not a value; and an empty view's data may be null, which simdjson copies from.
  if (text.empty()) return std::nullopt;
  // Some simdjson releases skip a leading byte-order mark; a message must not
  // carry one.
  if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark) return std::nullopt;
  // One parser for the whole run: its buffers are reused from line to line.
  static simdjson::dom::parser parser = make_parser();
  auto document = parser.parse(text.data(), text.size());
  // simdjson refuses integers beyond 64 bits (those of 20 digits as invalid
  // numbers, so its number_as_string() could not take them all); respelt as
  // fractions they read as the nearest double.
  std::optional<std::string> respelt;
  if (document.error() != simdjson::SUCCESS && (respelt = big_integers_as_fractions(text))) {
    document = parser.parse(respelt->data(), respelt->size());
  }
  JsonValue root;
  if (document.error() != simdjson::SUCCESS || !build(document.value_unsafe(), 0, root)) {
    return std::nullopt;
  }
  return root;
}

}  // namespace vesk
