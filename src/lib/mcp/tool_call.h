// The tools/call request: the one tool, save_story_seed.
#pragma once

#include "lib/event_log.h"
#include "lib/json_value.h"
#include "lib/jsonrpc.h"
#include "lib/mcp/era.h"
#include "lib/session.h"

namespace vesk {

// A bad params object or an unknown tool is a HandlerFailure (-32602);
// every call of the tool itself ends in a tool result
// {"content":[{"text":…,"type":"text"}],"isError":…} and exactly one event.
// A seed is stamped with the session's agent.
HandlerResult handle_tool_call(const JsonValue& params, const Session& session, Era era,
                               EventLog& events);

}  // namespace vesk
