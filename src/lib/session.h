// The state every request handler shares, one per process.
#pragma once

#include <optional>
#include <string>

#include "story_seeds/agent_id.h"

namespace vesk {

struct Session {
  // The desktop app's data directory; absent when HOME gives none. Fixed at start.
  std::optional<std::string> data_dir;
  // Set by each initialize that names its client.
  story_seeds::AgentId agent = story_seeds::AgentId::Unknown;
};

// HOME/Library/Application Support/team.vesk.desktop, or nothing when `home`
// is null, empty or not absolute. Looks at nothing on disk.
std::optional<std::string> data_dir_from_home(const char* home);

}  // namespace vesk
