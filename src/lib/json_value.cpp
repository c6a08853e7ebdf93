#include "lib/json_value.h"

namespace vesk {

JsonValue JsonValue::raw(std::shared_ptr<const std::string> json_text) {
  return JsonValue(RawText{std::move(json_text)});
}

bool JsonValue::is_number() const {
  Type t = type();
  return t == Type::Integer || t == Type::Unsigned || t == Type::Double;
}

const JsonValue* JsonValue::find(std::string_view key) const {
  if (!is_object()) return nullptr;
  const Object& members = as_object();
  auto it = members.find(key);
  return it == members.end() ? nullptr : &it->second;
}

namespace {

// Undoes the "~1" -> "/" and "~0" -> "~" escapes; nothing for a bad escape.
std::optional<std::string> unescape_token(std::string_view token) {
  std::string out;
  out.reserve(token.size());
  for (std::size_t i = 0; i < token.size(); ++i) {
    if (token[i] != '~') {
      out += token[i];
      continue;
    }
    if (i + 1 == token.size()) return std::nullopt;
    char next = token[++i];
    if (next == '0') {
      out += '~';
    } else if (next == '1') {
      out += '/';
    } else {
      return std::nullopt;
    }
  }
  return out;
}

// An array index token: "0" or digits without a leading zero.
std::optional<std::size_t> array_index(std::string_view token) {
  if (token.empty() || token.size() > 18) return std::nullopt;
  if (token.size() > 1 && token[0] == '0') return std::nullopt;
  std::size_t index = 0;
  for (char c : token) {
    if (c < '0' || c > '9') return std::nullopt;
    index = index * 10 + static_cast<std::size_t>(c - '0');
  }
  return index;
}

}  // namespace

const JsonValue* JsonValue::at_pointer(std::string_view pointer) const {
  const JsonValue* current = this;
  if (pointer.empty()) return current;
  if (pointer[0] != '/') return nullptr;
  pointer.remove_prefix(1);
  while (true) {
    std::size_t slash = pointer.find('/');
    auto token = unescape_token(pointer.substr(0, slash));
    if (!token) return nullptr;
    if (current->is_object()) {
      current = current->find(*token);
    } else if (current->is_array()) {
      auto index = array_index(*token);
      const Array& items = current->as_array();
      current = index && *index < items.size() ? &items[*index] : nullptr;
    } else {
      current = nullptr;
    }
    if (current == nullptr || slash == std::string_view::npos) return current;
    pointer.remove_prefix(slash + 1);
  }
}

}  // namespace vesk
