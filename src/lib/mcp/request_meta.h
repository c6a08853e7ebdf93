// The per-request _meta of the modern era: which era a request speaks,
// whether it can be served, and which agent sent it.
#pragma once

#include <optional>

#include "lib/json_value.h"
#include "story_seeds/agent_id.h"

namespace vesk {

// The _meta of a modern request, or null for a legacy one. Only the protocol
// version decides: legacy clients send _meta too (a progress token, a call id).
const JsonValue* modern_meta(const JsonValue& params);

// The error response for a modern request that cannot be served: -32602
// naming the field at fault, or -32022 listing the versions spoken. Nothing
// when it can be served.
std::optional<JsonValue> meta_refusal(const JsonValue& meta, const JsonValue& id);

// The agent that _meta's clientInfo names; unknown without a string name.
story_seeds::AgentId agent_named_in(const JsonValue& meta);

}  // namespace vesk
