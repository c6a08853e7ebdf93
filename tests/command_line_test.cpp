// The command line, start-up and exit status, through the binary.
#include <unistd.h>

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

bool have_dev_full() {
  return access("/dev/full", W_OK) == 0;
}

// `base` with standard output refusing every write: a pipe whose reader has
// gone and, where the system has one, a full device.
std::vector<ServerRun> with_broken_stdout(const ServerRun& base) {
  std::vector<ServerRun> runs(1, base);
  runs[0].stdout_reader_gone = true;
  if (have_dev_full()) {
    runs.push_back(base);
    runs.back().stdout_path = "/dev/full";
  }
  return runs;
}

TEST(CommandLine, UnwritableStandardOutputFails) {
  for (const char* arg : {"--version", "--help"}) {
    ServerRun base;
    base.args = {arg};
    for (const ServerRun& run : with_broken_stdout(base)) {
      ProcessResult result = run_server(run);
      EXPECT_EQ(result.exit_status, 1) << arg << run.stdout_path;
      EXPECT_EQ(result.err, "") << arg << run.stdout_path;
    }
  }
}

TEST(ServerExit, ResponseWriteFailureEndsWithStatusOneAndNoEvent) {
  ServerRun base;
  base.input = kPing + kPing;
  for (const ServerRun& run : with_broken_stdout(base)) {
    ProcessResult result = run_server(run);
    EXPECT_EQ(result.exit_status, 1) << run.stdout_path;
    EXPECT_EQ(result.err, event_lines({"ready"})) << run.stdout_path;
  }
}

TEST(ServerExit, LostStandardErrorChangesNoAnswer) {
  std::vector<ServerRun> runs(1);
  runs[0].closed_fds = {2};
  if (have_dev_full()) runs.emplace_back().stderr_path = "/dev/full";
  for (ServerRun& run : runs) {
    run.input = kPing + "bad\n";
    ProcessResult result = run_server(run);
    EXPECT_EQ(result.out, kPong + R"({"error":{"code":-32700,"message":"Parse error"},"id":null,)"
                                  R"("jsonrpc":"2.0"})"
                                  "\n");
    EXPECT_EQ(result.exit_status, 0);
  }
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
