#include "lib/mcp/server_identity.h"

#include <string>

namespace vesk {

namespace {

constexpr std::string_view kInstructions =
    "vesk-stories saves story seeds on this Mac for the vesk desktop app. When a work session "
    "produced something worth telling colleagues about (a problem solved, a result, something "
    "learned), call save_story_seed once near the end with a short title and what happened. "
    "Nothing leaves this Mac: the member reviews, edits and approves every seed in vesk → Story "
    "sources first. Never include secrets, credentials, customer personal data or file paths.";

JsonValue text(std::string_view value) {
  return JsonValue::string(std::string(value));
}

}  // namespace

const JsonValue& server_capabilities() {
  static const JsonValue value = [] {
    JsonValue::Object list_changed;
    list_changed.emplace("listChanged", JsonValue::boolean(false));
    JsonValue::Object members;
    members.emplace("prompts", JsonValue::object(list_changed));
    members.emplace("tools", JsonValue::object(list_changed));
    return JsonValue::object(members).frozen();
  }();
  return value;
}

const JsonValue& server_info() {
  static const JsonValue value = [] {
    JsonValue::Object members;
    members.emplace("name", text("vesk-desktop-mcp"));
    members.emplace("title", text("vesk Stories"));
    members.emplace("version", text("1.0.0"));
    return JsonValue::object(members).frozen();
  }();
  return value;
}

const JsonValue& server_instructions() {
  static const JsonValue value = text(kInstructions);
  return value;
}

const JsonValue& supported_versions() {
  static const JsonValue value = [] {
    JsonValue::Array versions{text(kModernVersion)};
    for (std::string_view version : kLegacyVersions)
      versions.push_back(text(version));
    return JsonValue::array(std::move(versions)).frozen();
  }();
  return value;
}

}  // namespace vesk
