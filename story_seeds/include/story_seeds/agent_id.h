// Which coding agent produced a seed.
#pragma once

#include <string_view>

namespace story_seeds {

// Written to seed files by its text form; "member" marks seeds that did not
// come from a coding agent.
enum class AgentId : unsigned char { ClaudeCode, Codex, Unknown, Member };

constexpr std::string_view agent_text(AgentId agent) {
  switch (agent) {
    case AgentId::ClaudeCode:
      return "claude-code";
    case AgentId::Codex:
      return "codex";
    case AgentId::Unknown:
      return "unknown";
    case AgentId::Member:
      return "member";
  }
  return "unknown";
}

}  // namespace story_seeds
