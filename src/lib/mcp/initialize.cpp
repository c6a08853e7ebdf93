#include "lib/mcp/initialize.h"

#include <string>

#include "lib/mcp/server_identity.h"

namespace vesk {

using story_seeds::AgentId;

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
    for (std::string_view version : kLegacyVersions) {
      if (requested->as_string() == version) return version;
    }
  }
  return kLegacyVersions[0];
}

JsonValue handle_initialize(const JsonValue& params, Session& session, EventLog& events) {
  const JsonValue* name = params.at_pointer("/clientInfo/name");
  if (name != nullptr && name->is_string()) session.agent = detect_agent(name->as_string());
  std::string event("initialize agent=");
  event += story_seeds::agent_text(session.agent);
  log_event(events, event);

  JsonValue::Object result;
  result.emplace("capabilities", server_capabilities());
  result.emplace("instructions", server_instructions());
  result.emplace("protocolVersion",
                 JsonValue::string(std::string(negotiate_protocol_version(params))));
  result.emplace("serverInfo", server_info());
  return JsonValue::object(std::move(result));
}

}  // namespace vesk
