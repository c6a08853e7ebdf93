// The command line, start-up and exit status, through the binary.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "lib/session.h"
#include "server_process.h"

namespace vesk_test {
namespace {

const std::string kVersion = "vesk-desktop-mcp 1.0.0\n";
const std::string kUsage =
    "vesk-desktop-mcp: the vesk Stories MCP server (stdio). It is started by Claude Code or "
    "Codex, not by hand — see vesk → Story sources for the one-line setup.\n";
const std::string kPing = R"({"id":1,"method":"ping"})"
                          "\n";
const std::string kPong = R"({"id":1,"jsonrpc":"2.0","result":{}})"
                          "\n";

struct ArgsCase {
  std::vector<std::string> args;
  std::string out;
};

TEST(CommandLine, PrintsVersionOrUsageAndExitsZero) {
  const std::vector<ArgsCase> cases = {
      {{"--version"}, kVersion},
      {{"-V"}, kVersion},
      {{"--version", "more", "words"}, kVersion},
      {{"-v"}, kUsage},
      {{"--Version"}, kUsage},
      {{"version"}, kUsage},
      {{"--help"}, kUsage},
      {{""}, kUsage},
      {{"serve", "--version"}, kUsage},
  };
  for (const ArgsCase& c : cases) {
    ServerRun run;
    run.args = c.args;
    run.input = kPing;  // never read outside server mode
    ProcessResult result = run_server(run);
    EXPECT_EQ(result.out, c.out) << c.args[0];
    EXPECT_EQ(result.err, "") << c.args[0];
    EXPECT_EQ(result.exit_status, 0) << c.args[0];
  }
}

TEST(CommandLine, UnwritableStandardOutputFails) {
  for (const char* arg : {"--version", "--help"}) {
    ServerRun full;
    full.args = {arg};
    full.stdout_path = "/dev/full";
    ProcessResult result = run_server(full);
    EXPECT_EQ(result.exit_status, 1) << arg;
    EXPECT_EQ(result.err, "") << arg;

    ServerRun gone;
    gone.args = {arg};
    gone.stdout_reader_gone = true;
    result = run_server(gone);
    EXPECT_EQ(result.exit_status, 1) << arg;
    EXPECT_EQ(result.err, "") << arg;
  }
}

TEST(ServerExit, ResponseWriteFailureEndsWithStatusOneAndNoEvent) {
  ServerRun full;
  full.input = kPing + kPing;
  full.stdout_path = "/dev/full";
  ProcessResult result = run_server(full);
  EXPECT_EQ(result.exit_status, 1);
  EXPECT_EQ(result.err, event_lines({"ready"}));

  ServerRun gone;
  gone.input = kPing;
  gone.stdout_reader_gone = true;
  result = run_server(gone);
  EXPECT_EQ(result.exit_status, 1);
  EXPECT_EQ(result.err, event_lines({"ready"}));
}

TEST(ServerExit, UnwritableStandardErrorChangesNoAnswer) {
  ServerRun run;
  run.input = kPing + "bad\n";
  run.stderr_path = "/dev/full";
  ProcessResult result = run_server(run);
  EXPECT_EQ(result.out,
            kPong + R"({"error":{"code":-32700,"message":"Parse error"},"id":null,"jsonrpc":"2.0"})"
                    "\n");
  EXPECT_EQ(result.exit_status, 0);
}

TEST(ServerExit, ClosedStandardDescriptorsAreFilled) {
  ServerRun no_input;
  no_input.input = kPing;
  no_input.closed_fds = {0};
  ProcessResult result = run_server(no_input);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err, event_lines({"ready", "closed"}));
  EXPECT_EQ(result.exit_status, 0);

  ServerRun no_output;
  no_output.input = kPing;
  no_output.closed_fds = {1, 2};
  EXPECT_EQ(run_server(no_output).exit_status, 0);
}

TEST(DataDir, FollowsHome) {
  const std::string kTail = "/Library/Application Support/team.vesk.desktop";
  struct HomeCase {
    const char* home;
    std::optional<std::string> data_dir;
  };
  const std::vector<HomeCase> cases = {
      {"/Users/a", "/Users/a" + kTail},
      {"/Users/a/", "/Users/a" + kTail},
      {"/", kTail},
      {"//srv//", "//srv/" + kTail},
      {"", std::nullopt},
      {"Users/a", std::nullopt},
      {"~/a", std::nullopt},
      {nullptr, std::nullopt},
  };
  for (const HomeCase& c : cases) {
    EXPECT_EQ(vesk::data_dir_from_home(c.home), c.data_dir) << (c.home ? c.home : "(unset)");
  }
}

}  // namespace
}  // namespace vesk_test
