#include <cstdio>

#include "story_seeds/seed.h"

namespace story_seeds {

namespace {

// The desktop app reads these files byte for byte: only what JSON requires is
// escaped, and everything else (the solidus, U+007F, non-ASCII) stays raw.
void append_json_string(std::string& out, std::string_view text) {
  static constexpr char kHexDigits[] = "0123456789abcdef";
  out += '"';
  for (const char c : text) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\b':
        out += "\\b";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\f':
        out += "\\f";
        break;
      case '\r':
        out += "\\r";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          out += "\\u00";
          out += kHexDigits[c >> 4];
          out += kHexDigits[c & 0xF];
        } else {
          out += c;
        }
    }
  }
  out += '"';
}

void append_string_entry(std::string& out, std::string_view key, std::string_view value) {
  out += ",\"";
  out += key;
  out += "\":";
  append_json_string(out, value);
}

}  // namespace

std::string serialize_seed(const SeedDraft& seed) {
  std::string out = "{\"version\":" + std::to_string(seed.version);
  append_string_entry(out, "title", seed.title);
  append_string_entry(out, "what_happened", seed.what_happened);
  append_string_entry(out, "why_it_mattered", seed.why_it_mattered);
  out += ",\"open_questions\":[";
  for (std::size_t i = 0; i < seed.open_questions.size(); ++i) {
    if (i > 0) out += ',';
    append_json_string(out, seed.open_questions[i]);
  }
  out += ']';
  append_string_entry(out, "created_at", seed.created_at);
  append_string_entry(out, "agent", agent_text(seed.agent));
  out += '}';
  return out;
}

std::string format_created_at(std::uint64_t seconds_since_epoch) {
  const std::uint64_t days = seconds_since_epoch / 86400;
  const auto second_of_day = static_cast<unsigned>(seconds_since_epoch % 86400);

  // Days to civil date: count from 0000-03-01 so that the leap day ends each
  // year, then split into 400-year eras of 146097 days.
  const std::uint64_t shifted_days = days + 719468;
  const std::uint64_t era = shifted_days / 146097;
  const std::uint64_t day_of_era = shifted_days - era * 146097;
  const std::uint64_t year_of_era =
      (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
  const std::uint64_t day_of_year =
      day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
  const std::uint64_t month_from_march = (5 * day_of_year + 2) / 153;
  const auto day = static_cast<unsigned>(day_of_year - (153 * month_from_march + 2) / 5 + 1);
  const auto month =
      static_cast<unsigned>(month_from_march < 10 ? month_from_march + 3 : month_from_march - 9);
  const std::uint64_t year = era * 400 + year_of_era + (month <= 2 ? 1 : 0);

  char text[48];
  std::snprintf(text, sizeof text, "%04llu-%02u-%02uT%02u:%02u:%02uZ",
                static_cast<unsigned long long>(year), month, day, second_of_day / 3600,
                second_of_day / 60 % 60, second_of_day % 60);
  return text;
}

}  // namespace story_seeds
