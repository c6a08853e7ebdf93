// The program's fixed identity.
#pragma once

#include <string_view>

namespace vesk {

// Never taken from argv[0]: it opens every event line whatever the binary is called.
inline constexpr std::string_view PROGRAM_NAME = "vesk-desktop-mcp";
inline constexpr std::string_view PROGRAM_VERSION = "1.0.0";

}  // namespace vesk
