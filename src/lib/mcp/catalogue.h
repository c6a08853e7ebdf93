// The fixed catalogue: one tool and one prompt.
#pragma once

#include "lib/json_value.h"
#include "lib/jsonrpc.h"
#include "lib/mcp/era.h"

namespace vesk {

inline constexpr std::string_view kToolName = "save_story_seed";
inline constexpr std::string_view kPromptName = "story-seed";

// {"tools":[<the tool definition>]}; params are ignored.
JsonValue handle_tools_list(Era era);

// {"prompts":[<the prompt definition>]}; params are ignored.
JsonValue handle_prompts_list(Era era);

// The prompt's one user message, or "Unknown prompt: " and the first 64
// characters of any other name.
HandlerResult handle_prompts_get(const JsonValue& params, Era era);

}  // namespace vesk
