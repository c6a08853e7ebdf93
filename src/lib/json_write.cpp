#include <nlohmann/json.hpp>

#include "lib/json_value.h"

namespace vesk {

namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

// The short escape for a control character, or 0 when it has none.
char short_escape(unsigned char c) {
  switch (c) {
    case '\b':
      return 'b';
    case '\t':
      return 't';
    case '\n':
      return 'n';
    case '\f':
      return 'f';
    case '\r':
      return 'r';
    default:
      return 0;
  }
}

void write_double(double value, std::string& out) {
  // The JSON library's shortest round-trip form, which keeps a ".0" on
  // integral values so they stay non-integers on the wire.
  out += nlohmann::json(value).dump();
}

}  // namespace

void write_json_string(std::string_view text, std::string& out) {
  out += '"';
  std::size_t run_start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c >= 0x20 && c != '"' && c != '\\') continue;
    out.append(text.substr(run_start, i - run_start));
    run_start = i + 1;
    out += '\\';
    if (c == '"' || c == '\\') {
      out += static_cast<char>(c);
    } else if (char letter = short_escape(c)) {
      out += letter;
    } else {
      out += "u00";
      out += kHexDigits[c >> 4];
      out += kHexDigits[c & 0x0F];
    }
  }
  out.append(text.substr(run_start));
  out += '"';
}

void JsonValue::write_to(std::string& out) const {
  switch (type()) {
    case Type::Null:
      out += "null";
      break;
    case Type::Boolean:
      out += as_bool() ? "true" : "false";
      break;
    case Type::Integer:
      out += std::to_string(as_integer());
      break;
    case Type::Unsigned:
      out += std::to_string(as_unsigned());
      break;
    case Type::Double:
      write_double(as_double(), out);
      break;
    case Type::String:
      write_json_string(as_string(), out);
      break;
    case Type::Array: {
      out += '[';
      bool first = true;
      for (const JsonValue& item : as_array()) {
        if (!first) out += ',';
        first = false;
        item.write_to(out);
      }
      out += ']';
      break;
    }
    case Type::Object: {
      out += '{';
      bool first = true;
      for (const auto& [key, member] : as_object()) {
        if (!first) out += ',';
        first = false;
        write_json_string(key, out);
        out += ':';
        member.write_to(out);
      }
      out += '}';
      break;
    }
    case Type::Raw:
      out += *std::get<RawText>(value_).text;
      break;
  }
}

std::string JsonValue::write() const {
  std::string out;
  write_to(out);
  return out;
}

}  // namespace vesk
