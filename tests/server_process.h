// Runs the built server binary as a child process for end-to-end tests.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace vesk_test {

struct ProcessResult {
  std::string out;  // standard output
  std::string err;  // standard error
  int exit_status = -1;
};

struct ServerRun {
  std::vector<std::string> args;         // after the program name
  std::string input;                     // whole standard input
  std::optional<std::string> home;       // HOME; unset when absent
  std::string stdout_path;               // instead of capturing, e.g. "/dev/full"
  std::string stderr_path;               // likewise for standard error
  bool stdout_reader_gone = false;       // standard output is a pipe nobody reads
  std::vector<int> closed_fds;           // standard descriptors closed at start
  std::vector<std::string> environment;  // extra NAME=value entries
};

// Runs the binary to completion with `run.input` on standard input.
ProcessResult run_server(const ServerRun& run);

// Convenience: HOME unset, no arguments.
inline ProcessResult run_server(const std::string& input) {
  ServerRun run;
  run.input = input;
  return run_server(run);
}

// Names each parameterised case after its `name` member.
struct CaseName {
  template <class Case>
  std::string operator()(const ::testing::TestParamInfo<Case>& param) const {
    return param.param.name;
  }
};

// "vesk-desktop-mcp: <text>\n" for each event text, in order.
std::string event_lines(const std::vector<std::string>& texts);

// A directory under the system temp folder, removed when the test passed.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace vesk_test
