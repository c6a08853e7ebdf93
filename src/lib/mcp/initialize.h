// The initialize request: version negotiation, server identity and agent detection.
#pragma once

#include <string_view>

#include "lib/event_log.h"
#include "lib/json_value.h"
#include "lib/session.h"
#include "story_seeds/agent_id.h"

namespace vesk {

// "claude" anywhere in the ASCII-lower-cased name wins over "codex"; anything
// else is unknown. No Unicode case folding.
story_seeds::AgentId detect_agent(std::string_view client_name);

// The client's "protocolVersion" when it is one we speak, else our newest.
std::string_view negotiate_protocol_version(const JsonValue& params);

// Updates the session's agent when params name the client, logs
// "initialize agent=…" and returns the result. Never fails.
JsonValue handle_initialize(const JsonValue& params, Session& session, EventLog& events);

}  // namespace vesk
