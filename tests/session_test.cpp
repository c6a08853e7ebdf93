// initialize and the catalogue methods, end to end and at their helpers.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "golden_results.h"
#include "lib/json_value.h"
#include "lib/mcp/initialize.h"
#include "server_process.h"

namespace vesk_test {
namespace {

using story_seeds::AgentId;

std::string result_line(const std::string& id, const std::string& result) {
  return R"({"id":)" + id + R"(,"jsonrpc":"2.0","result":)" + result + "}\n";
}
std::string invalid_params(const std::string& id, const std::string& message) {
  return R"({"error":{"code":-32602,"message":")" + message + R"("},"id":)" + id +
         R"(,"jsonrpc":"2.0"})" + "\n";
}
std::string initialize_result(const std::string& version) {
  return kInitializeResultHead + "\"" + version + "\"" + kInitializeResultTail;
}

TEST(Session, WholeOpeningIsByteExact) {
  const std::string input =
      R"({"jsonrpc":"2.0","id":0,"method":"initialize","params":{"protocolVersion":"2025-03-26","capabilities":{"roots":{}},"clientInfo":{"name":"Claude Code","version":"2.0"}}})"
      "\n"
      R"({"jsonrpc":"2.0","method":"notifications/initialized"})"
      "\n"
      R"({"jsonrpc":"2.0","id":1,"method":"tools/list","params":{"cursor":"x"}})"
      "\n"
      R"({"jsonrpc":"2.0","id":2,"method":"prompts/list"})"
      "\n"
      R"({"jsonrpc":"2.0","id":3,"method":"prompts/get","params":{"name":"story-seed","arguments":{"x":"y"}}})"
      "\n"
      R"({"jsonrpc":"2.0","id":4,"method":"prompts/get","params":{"name":"Story-Seed"}})"
      "\n"
      R"({"jsonrpc":"2.0","id":5,"method":"ping"})"
      "\n";
  ProcessResult result = run_server(input);
  EXPECT_EQ(result.out,
            result_line("0", initialize_result("2025-03-26")) + result_line("1", kToolsListResult) +
                result_line("2", kPromptsListResult) + result_line("3", kPromptsGetResult) +
                invalid_params("4", "Unknown prompt: Story-Seed") + result_line("5", "{}"));
  EXPECT_EQ(result.err,
            event_lines({"ready", "initialize agent=claude-code", "unknown_prompt", "closed"}));
}

TEST(Session, CatalogueIgnoresParamsAndOrder) {
  std::string input;
  for (const char* params : {"", R"(,"params":{})", R"(,"params":{"cursor":"abc"})"}) {
    input += R"({"id":1,"method":"tools/list")" + std::string(params) + "}\n";
    input += R"({"id":2,"method":"prompts/list")" + std::string(params) + "}\n";
  }
  std::string expected;
  for (int i = 0; i < 3; ++i) {
    expected += result_line("1", kToolsListResult) + result_line("2", kPromptsListResult);
  }
  EXPECT_EQ(run_server(input).out, expected);
}

TEST(Session, UnknownPromptNamesAreCutAt64Characters) {
  const std::string e_acute = "\u00e9";
  std::string seventy_e;
  for (int i = 0; i < 70; ++i)
    seventy_e += e_acute;
  std::string sixty_four_e;
  for (int i = 0; i < 64; ++i)
    sixty_four_e += e_acute;
  struct Case {
    std::string params;
    std::string message;
  };
  const std::vector<Case> cases = {
      {"", "Unknown prompt: "},
      {R"(,"params":{"name":7})", "Unknown prompt: "},
      {R"(,"params":["story-seed"])", "Unknown prompt: "},
      {R"(,"params":{"name":"story-seed "})", "Unknown prompt: story-seed "},
      {R"(,"params":{"name":")" + std::string(100, 'n') + "\"}",
       "Unknown prompt: " + std::string(64, 'n')},
      {R"(,"params":{"name":")" + seventy_e + "\"}", "Unknown prompt: " + sixty_four_e},
  };
  for (const Case& c : cases) {
    ProcessResult result = run_server(R"({"id":9,"method":"prompts/get")" + c.params + "}\n");
    EXPECT_EQ(result.out, invalid_params("9", c.message)) << c.params;
    EXPECT_EQ(result.err, event_lines({"ready", "unknown_prompt", "closed"})) << c.params;
  }
}

TEST(Session, AgentFollowsEachInitializeThatNamesTheClient) {
  const std::string input =
      R"({"id":1,"method":"initialize"})"
      "\n"
      R"({"id":2,"method":"initialize","params":{"clientInfo":{"name":"codex"}}})"
      "\n"
      R"({"id":3,"method":"initialize","params":{"protocolVersion":"2024-11-05"}})"
      "\n"
      R"({"id":4,"method":"initialize","params":{"clientInfo":{"name":42}}})"
      "\n"
      R"({"method":"initialize","params":{"clientInfo":{"name":"claude"}}})"
      "\n"
      R"({"id":5,"method":"initialize","params":{"clientInfo":{"name":"my-editor"}}})"
      "\n";
  ProcessResult result = run_server(input);
  EXPECT_EQ(result.out, result_line("1", initialize_result("2025-06-18")) +
                            result_line("2", initialize_result("2025-06-18")) +
                            result_line("3", initialize_result("2024-11-05")) +
                            result_line("4", initialize_result("2025-06-18")) +
                            result_line("5", initialize_result("2025-06-18")));
  EXPECT_EQ(result.err, event_lines({"ready", "initialize agent=unknown", "initialize agent=codex",
                                     "initialize agent=codex", "initialize agent=codex",
                                     "initialize agent=unknown", "closed"}));
}

TEST(DetectAgent, LooksForClaudeThenCodexInAsciiLowerCase) {
  const std::vector<std::pair<std::string, AgentId>> cases = {
      {"claude-code", AgentId::ClaudeCode},
      {"Claude Code", AgentId::ClaudeCode},
      {"CLAUDE", AgentId::ClaudeCode},
      {"my-claude-helper", AgentId::ClaudeCode},
      {"codex-mcp-client", AgentId::Codex},
      {"Codex", AgentId::Codex},
      {"codex and claude", AgentId::ClaudeCode},
      {"clau de", AgentId::Unknown},
      {"my-editor", AgentId::Unknown},
      {"", AgentId::Unknown},
      {"\uff23\uff2c\uff21\uff35\uff24\uff25", AgentId::Unknown},
      {"CODEX\u00c9", AgentId::Codex},
  };
  for (const auto& [name, agent] : cases)
    EXPECT_EQ(vesk::detect_agent(name), agent) << name;
}

TEST(NegotiateProtocolVersion, EchoesOnlyWhatWeSpeak) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {R"({"protocolVersion":"2025-06-18"})", "2025-06-18"},
      {R"({"protocolVersion":"2025-03-26"})", "2025-03-26"},
      {R"({"protocolVersion":"2024-11-05"})", "2024-11-05"},
      {R"({"protocolVersion":"2026-01-01"})", "2025-06-18"},
      {R"({"protocolVersion":"2025-06-18 "})", "2025-06-18"},
      {R"({"protocolVersion":""})", "2025-06-18"},
      {R"({"protocolVersion":20241105})", "2025-06-18"},
      {R"(["2024-11-05"])", "2025-06-18"},
      {"null", "2025-06-18"},
  };
  for (const auto& [params, version] : cases) {
    EXPECT_EQ(vesk::negotiate_protocol_version(*vesk::JsonValue::parse(params)), version) << params;
  }
}

}  // namespace
}  // namespace vesk_test
