// Runs the built server (or a command wrapped around it) as a child process,
// with files for its standard streams so that neither side can block the other.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

extern char** environ;

namespace vesk_test {

inline std::string read_file(const std::filesystem::path& path) {
  std::stringstream content;
  content << std::ifstream(path, std::ios::binary).rdbuf();
  return content.str();
}

// A fresh directory, kept for inspection when the test failed.
class ScratchDir {
 public:
  ScratchDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vesk-test-XXXXXX").string();
    path_ = mkdtemp(pattern.data());
  }
  ~ScratchDir() {
    if (!::testing::Test::HasFailure()) std::filesystem::remove_all(path_);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

struct ServerRun {
  std::vector<std::string> argv;  // the program and its arguments
  std::string input;
  std::optional<std::string> home;  // HOME, unset when absent
  std::vector<int> closed_fds;      // standard descriptors closed at start
  bool stdout_broken = false;       // a pipe nobody reads
  bool stderr_broken = false;
};

struct ServerOutput {
  std::string out, err;
  int status = -1;
};

inline ServerOutput run_server(const ServerRun& run, const std::string& scratch) {
  std::ofstream(scratch + "/in", std::ios::binary) << run.input;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, (scratch + "/in").c_str(), O_RDONLY, 0);
  int orphan[2];
  EXPECT_EQ(pipe(orphan), 0);
  close(orphan[0]);
  for (int fd : {1, 2}) {
    if (fd == 1 ? run.stdout_broken : run.stderr_broken) {
      posix_spawn_file_actions_adddup2(&actions, orphan[1], fd);
    } else {
      posix_spawn_file_actions_addopen(&actions, fd, (scratch + "/" + std::to_string(fd)).c_str(),
                                       O_WRONLY | O_CREAT | O_TRUNC, 0600);
    }
  }
  posix_spawn_file_actions_addclose(&actions, orphan[1]);
  for (int fd : run.closed_fds)
    posix_spawn_file_actions_addclose(&actions, fd);

  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e) {
    if (std::string_view(*e).substr(0, 5) != "HOME=") env.emplace_back(*e);
  }
  if (run.home) env.push_back("HOME=" + *run.home);
  std::vector<std::string> args = run.argv;
  std::vector<char*> argv, envp;
  for (auto& s : args)
    argv.push_back(s.data());
  for (auto& s : env)
    envp.push_back(s.data());
  argv.push_back(nullptr);
  envp.push_back(nullptr);

  // A group of its own, so that a hung run can be ended with whatever it started.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
  posix_spawnattr_setpgroup(&attributes, 0);
  ServerOutput output;
  pid_t pid = 0;
  int spawned = posix_spawnp(&pid, argv[0], &actions, &attributes, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  close(orphan[1]);
  EXPECT_EQ(spawned, 0) << "cannot start " << argv[0];
  int status = 0;
  for (int waited_ms = 0; spawned == 0 && waitpid(pid, &status, WNOHANG) == 0; ++waited_ms) {
    if (waited_ms == 30000) {
      ADD_FAILURE() << argv[0] << " still running after 30 s";
      kill(-pid, SIGKILL);
    }
    usleep(1000);
  }
  if (spawned != 0) return output;
  output.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  output.out = read_file(scratch + "/1");
  output.err = read_file(scratch + "/2");
  return output;
}

}  // namespace vesk_test
