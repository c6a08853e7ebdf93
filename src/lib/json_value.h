// The JSON value every message and response is made of. Objects keep their
// members in ascending byte order of the keys, and are written in that order.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace vesk {

class JsonValue {
 public:
  using Array = std::vector<JsonValue>;
  using Object = std::map<std::string, JsonValue, std::less<>>;

  enum class Type { Null, Boolean, Integer, Unsigned, Double, String, Array, Object, Raw };

  JsonValue() = default;  // null
  static JsonValue boolean(bool value) { return JsonValue(value); }
  static JsonValue integer(std::int64_t value) { return JsonValue(value); }
  static JsonValue unsigned_integer(std::uint64_t value) { return JsonValue(value); }
  static JsonValue number(double value) { return JsonValue(value); }
  static JsonValue string(std::string value) { return JsonValue(std::move(value)); }
  static JsonValue array(Array items = {}) { return JsonValue(std::move(items)); }
  static JsonValue object(Object members = {}) { return JsonValue(std::move(members)); }
  // Compact JSON text that is written out verbatim: lets a fixed answer be
  // serialised once and shared by every response that carries it.
  static JsonValue raw(std::shared_ptr<const std::string> json_text);
  // This value serialised once, as such a verbatim text.
  JsonValue frozen() const { return raw(std::make_shared<const std::string>(write())); }

  // Strict parse of exactly one JSON value; nothing when the text is not one.
  // Nesting deeper than kMaxDepth, a leading byte-order mark, and a number
  // too large for a double are all unreadable.
  static std::optional<JsonValue> parse(std::string_view text);
  static constexpr int kMaxDepth = 127;

  Type type() const { return static_cast<Type>(value_.index()); }
  bool is_null() const { return type() == Type::Null; }
  bool is_bool() const { return type() == Type::Boolean; }
  bool is_number() const;
  bool is_string() const { return type() == Type::String; }
  bool is_array() const { return type() == Type::Array; }
  bool is_object() const { return type() == Type::Object; }

  // Accessors; calling one for another type is a programming error.
  bool as_bool() const { return std::get<bool>(value_); }
  std::int64_t as_integer() const { return std::get<std::int64_t>(value_); }
  std::uint64_t as_unsigned() const { return std::get<std::uint64_t>(value_); }
  double as_double() const { return std::get<double>(value_); }
  const std::string& as_string() const { return std::get<std::string>(value_); }
  const Array& as_array() const { return std::get<Array>(value_); }
  Array& as_array() { return std::get<Array>(value_); }
  const Object& as_object() const { return std::get<Object>(value_); }
  Object& as_object() { return std::get<Object>(value_); }

  // The member `key` of an object; null pointer when absent or not an object.
  const JsonValue* find(std::string_view key) const;

  // RFC 6901 JSON Pointer look-up; null pointer when it does not resolve.
  const JsonValue* at_pointer(std::string_view pointer) const;

  // Compact text: no white space, keys in byte order, only the quotation
  // mark, backslash and U+0000..U+001F escaped.
  std::string write() const;
  void write_to(std::string& out) const;

  friend bool operator==(const JsonValue& a, const JsonValue& b) { return a.value_ == b.value_; }

 private:
  struct RawText {
    std::shared_ptr<const std::string> text;
    friend bool operator==(const RawText& a, const RawText& b) { return *a.text == *b.text; }
  };

  template <class T>
  explicit JsonValue(T value) : value_(std::move(value)) {}

  std::variant<std::nullptr_t, bool, std::int64_t, std::uint64_t, double, std::string, Array,
               Object, RawText>
      value_;
};

// Appends `text` as a JSON string (quotes included) with the escapes above.
void write_json_string(std::string_view text, std::string& out);

}  // namespace vesk
