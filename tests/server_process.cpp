#include "server_process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

extern char** environ;

namespace vesk_test {

namespace {

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

void write_file(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary);
  out << content;
}

}  // namespace

ProcessResult run_server(const ServerRun& run) {
  ScratchDir scratch;
  const std::string in_path = scratch.path() + "/in";
  const std::string out_path = run.stdout_path.empty() ? scratch.path() + "/out" : run.stdout_path;
  const std::string err_path = run.stderr_path.empty() ? scratch.path() + "/err" : run.stderr_path;
  write_file(in_path, run.input);

  // Files rather than pipes: no risk of the test and the child blocking on each other.
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, in_path.c_str(), O_RDONLY, 0);
  int orphan_pipe[2] = {-1, -1};
  if (run.stdout_reader_gone) {
    EXPECT_EQ(pipe(orphan_pipe), 0);
    close(orphan_pipe[0]);
    posix_spawn_file_actions_adddup2(&actions, orphan_pipe[1], 1);
  } else {
    posix_spawn_file_actions_addopen(&actions, 1, out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
  }
  posix_spawn_file_actions_addopen(&actions, 2, err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0600);
  for (int fd : run.closed_fds)
    posix_spawn_file_actions_addclose(&actions, fd);

  std::vector<std::string> env_strings;
  for (char** e = environ; *e != nullptr; ++e) {
    if (std::string_view(*e).substr(0, 5) != "HOME=") env_strings.emplace_back(*e);
  }
  if (run.home) env_strings.push_back("HOME=" + *run.home);
  env_strings.insert(env_strings.end(), run.environment.begin(), run.environment.end());
  std::vector<char*> envp;
  for (auto& s : env_strings)
    envp.push_back(s.data());
  envp.push_back(nullptr);

  std::string program = VESK_BINARY_PATH;
  std::vector<std::string> arg_strings = run.args;
  std::vector<char*> argv{program.data()};
  for (auto& s : arg_strings)
    argv.push_back(s.data());
  argv.push_back(nullptr);

  ProcessResult result;
  pid_t pid = 0;
  int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (orphan_pipe[1] >= 0) close(orphan_pipe[1]);
  EXPECT_EQ(spawned, 0) << "cannot start " << program;
  if (spawned != 0) return result;
  int status = 0;
  waitpid(pid, &status, 0);
  result.exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  if (run.stdout_path.empty() && !run.stdout_reader_gone) result.out = read_file(out_path);
  if (run.stderr_path.empty()) result.err = read_file(err_path);
  return result;
}

std::string event_lines(const std::vector<std::string>& texts) {
  std::string lines;
  for (const auto& text : texts)
    lines += "vesk-desktop-mcp: " + text + "\n";
  return lines;
}

ScratchDir::ScratchDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "vesk-test-XXXXXX").string();
  path_ = mkdtemp(pattern.data());
}

ScratchDir::~ScratchDir() {
  const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
  bool failed = test != nullptr && test->result()->Failed();
  std::error_code ignored;
  if (!failed) std::filesystem::remove_all(path_, ignored);
}

}  // namespace vesk_test
