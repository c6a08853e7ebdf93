// Parsing through the JSON library's event interface: it does the strict
// grammar, we build our own tree and enforce the nesting limit.
#include <cstdint>
#include <limits>

#include <nlohmann/json.hpp>

#include "lib/json_value.h"

namespace vesk {

namespace {

class TreeBuilder {
 public:
  using Json = nlohmann::json;

  bool null() { return put(JsonValue()); }
  bool boolean(bool value) { return put(JsonValue::boolean(value)); }
  bool number_integer(Json::number_integer_t value) { return put(JsonValue::integer(value)); }
  // The library reads every non-negative integer as unsigned; holding those
  // that fit as signed gives each integer one representation ("-0" and "0"
  // are then the same value).
  bool number_unsigned(Json::number_unsigned_t value) {
    if (value <= static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
      return put(JsonValue::integer(static_cast<std::int64_t>(value)));
    }
    return put(JsonValue::unsigned_integer(value));
  }
  bool number_float(Json::number_float_t value, const Json::string_t& /*spelling*/) {
    return put(JsonValue::number(value));
  }
  bool string(Json::string_t& value) { return put(JsonValue::string(std::move(value))); }
  bool binary(Json::binary_t& /*value*/) { return false; }  // never produced by JSON text

  bool start_object(std::size_t /*elements*/) { return open(JsonValue::object()); }
  bool key(Json::string_t& value) {
    key_ = std::move(value);
    return true;
  }
  bool end_object() { return close(); }
  bool start_array(std::size_t /*elements*/) { return open(JsonValue::array()); }
  bool end_array() { return close(); }

  bool parse_error(std::size_t /*position*/, const std::string& /*last_token*/,
                   const Json::exception& /*error*/) {
    return false;
  }

  JsonValue take_root() { return std::move(root_); }

 private:
  // Stores `value` where the parser is; returns where it went.
  JsonValue* place(JsonValue value) {
    if (open_.empty()) {
      root_ = std::move(value);
      return &root_;
    }
    JsonValue& container = *open_.back();
    if (container.is_array()) {
      return &container.as_array().emplace_back(std::move(value));
    }
    // Assignment, not insertion: of repeated keys the last one wins.
    JsonValue& slot = container.as_object()[std::move(key_)];
    slot = std::move(value);
    return &slot;
  }

  bool put(JsonValue value) {
    place(std::move(value));
    return true;
  }

  // Only the innermost open container is ever added to, so the pointers to
  // the outer ones stay valid.
  bool open(JsonValue container) {
    if (open_.size() >= static_cast<std::size_t>(JsonValue::kMaxDepth)) return false;
    open_.push_back(place(std::move(container)));
    return true;
  }

  bool close() {
    open_.pop_back();
    return true;
  }

  JsonValue root_;
  std::vector<JsonValue*> open_;
  std::string key_;
};

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

}  // namespace

std::optional<JsonValue> JsonValue::parse(std::string_view text) {
  // The library would skip a leading byte-order mark; a message must not
  // carry one.
  if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark) return std::nullopt;
  // The library takes a NUL byte for the end of the text; in JSON it can only
  // be an error (raw control characters are not allowed even in strings).
  if (text.find('\0') != std::string_view::npos) return std::nullopt;
  TreeBuilder builder;
  try {
    if (!nlohmann::json::sax_parse(text.begin(), text.end(), &builder)) return std::nullopt;
  } catch (...) {
    // Only allocation failure can get here; an unreadable line is the answer.
    return std::nullopt;
  }
  return builder.take_root();
}

}  // namespace vesk
