#include "lib/mcp/initialize.h"

#include <array>
#include <string>

namespace vesk {

namespace {

using story_seeds::AgentId;

constexpr std::array<std::string_view, 3> kSupportedVersions = {"2025-06-18", "2025-03-26",
                                                                "2024-11-05"};

constexpr std::string_view kInstructions =
    "vesk-stories saves story seeds on this Mac for the vesk desktop app. When a work session "
    "produced something worth telling colleagues about (a problem solved, a result, something "
    "learned), call save_story_seed once near the end with a short title and what happened. "
    "Nothing leaves this Mac: the member reviews, edits and approves every seed in vesk → Story "
    "sources first. Never include secrets, credentials, customer personal data or file paths.";

// Everything in the result but "protocolVersion", serialised once.
const JsonValue& capabilities() {
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
    members.emplace("name", JsonValue::string("vesk-desktop-mcp"));
    members.emplace("title", JsonValue::string("vesk Stories"));
    members.emplace("version", JsonValue::string("1.0.0"));
    return JsonValue::object(members).frozen();
  }();
  return value;
}

const JsonValue& instructions() {
  static const JsonValue value = JsonValue::string(std::string(kInstructions));
  return value;
}

}  // namespace

AgentId detect_agent(std::string_view client_name) {
  std::string lowered(client_name);
  for (char& c : lowered) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + ('a' - 'A'));
  }
  if (lowered.find("claude") != std::string::npos) return AgentId::ClaudeCode;
  if (lowered.find("codex") != std::string::npos) return AgentId::Codex;
  return AgentId::Unknown;
}

std::string_view negotiate_protocol_version(const JsonValue& params) {
  const JsonValue* requested = params.find("protocolVersion");
  if (requested != nullptr && requested->is_string()) {
    for (std::string_view version : kSupportedVersions) {
      if (requested->as_string() == version) return version;
    }
  }
  return kSupportedVersions[0];
}

JsonValue handle_initialize(const JsonValue& params, Session& session, EventLog& events) {
  const JsonValue* name = params.at_pointer("/clientInfo/name");
  if (name != nullptr && name->is_string()) session.agent = detect_agent(name->as_string());
  std::string event("initialize agent=");
  event += story_seeds::agent_text(session.agent);
  log_event(events, event);

  JsonValue::Object result;
  result.emplace("capabilities", capabilities());
  result.emplace("instructions", instructions());
  result.emplace("protocolVersion",
                 JsonValue::string(std::string(negotiate_protocol_version(params))));
  result.emplace("serverInfo", server_info());
  return JsonValue::object(std::move(result));
}

}  // namespace vesk
