// How the server describes itself, in both eras: versions, capabilities,
// identity and the paragraph of instructions for the agent.
#pragma once

#include <array>
#include <string_view>

#include "lib/json_value.h"

namespace vesk {

// The one stateless revision, served per request from params._meta.
inline constexpr std::string_view kModernVersion = "2026-07-28";

// The versions initialize accepts, newest first; the first is its default.
inline constexpr std::array<std::string_view, 3> kLegacyVersions = {"2025-06-18", "2025-03-26",
                                                                    "2024-11-05"};

// {"prompts":{"listChanged":false},"tools":{"listChanged":false}}
const JsonValue& server_capabilities();

// {"name":"vesk-desktop-mcp","title":"vesk Stories","version":"1.0.0"}
const JsonValue& server_info();

const JsonValue& server_instructions();

// Every version spoken, the modern one first.
const JsonValue& supported_versions();

}  // namespace vesk
