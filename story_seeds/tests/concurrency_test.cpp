// Several processes against one queue: parallel savers, writers killed
// mid-write, and signals while a save waits for the lock.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <set>
#include <vector>

#include "test_util.h"

namespace story_seeds {
namespace {

using namespace story_seeds::testing;

// Runs `body` in a child process, which exits with its result.
template <class Body>
pid_t spawn(Body body) {
  const pid_t pid = ::fork();
  if (pid == 0) ::_exit(body());
  return pid;
}

int exit_code(pid_t pid) {
  int status = 0;
  while (::waitpid(pid, &status, 0) == -1 && errno == EINTR) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(Concurrency, ParallelSaversFillTheQueueExactly) {
  ScopedTempDir tmp;
  const std::string data = tmp / "data";
  const std::string queue = queue_dir(data, kKey);
  enable(data);
  fill_queue(queue, 45);

  int gate[2];
  ASSERT_EQ(::pipe(gate), 0);
  std::vector<pid_t> savers;
  for (int i = 0; i < 8; ++i) {
    savers.push_back(spawn([&, i] {
      char byte;
      ::close(gate[1]);
      static_cast<void>(::read(gate[0], &byte, 1));  // returns once the parent closes the gate
      const auto outcome = save_seed(data, kKey, simple_seed("seed " + std::to_string(i)));
      return std::holds_alternative<Saved>(outcome) ? 0 : std::holds_alternative<Full>(outcome);
    }));
  }
  ::close(gate[0]);
  ::close(gate[1]);

  std::vector<int> codes;
  for (const pid_t pid : savers)
    codes.push_back(exit_code(pid));
  EXPECT_EQ(std::count(codes.begin(), codes.end(), 0), 5);
  EXPECT_EQ(std::count(codes.begin(), codes.end(), 1), 3);
  std::set<std::string> new_seeds;
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(queue)) {
    ++files;
    EXPECT_EQ(entry.path().extension(), ".json");
    const std::string content = read_file(entry.path());
    if (content != "{}") new_seeds.insert(content);
  }
  EXPECT_EQ(files, 50);
  EXPECT_EQ(new_seeds.size(), 5u);
  for (const std::string& seed : new_seeds)
    EXPECT_EQ(seed.back(), '}');
}

TEST(Concurrency, WriterKilledAtAnyMomentLeavesTheWholeFileOrNone) {
  ScopedTempDir tmp;
  const std::string queue = tmp / "queue";
  fill_queue(queue, 0);
  const std::string path = queue + "/" + kKey.outer + ".json";
  const std::string bytes(1 << 20, 'y');
  for (int round = 0; round < 10; ++round) {
    ::unlink(path.c_str());
    const pid_t writer = spawn([&] {
      while (write_file_atomically(path, bytes).ok()) {
      }
      return 1;
    });
    const timespec pause{0, 200'000L + 700'000L * round};
    ::nanosleep(&pause, nullptr);
    ::kill(writer, SIGKILL);
    exit_code(writer);
    if (exists(path)) {
      EXPECT_EQ(read_file(path), bytes) << "round " << round;
    }
    EXPECT_EQ(count_queued(queue).value(), exists(path) ? 1u : 0u);  // a ".tmp" never counts
    ASSERT_TRUE(write_file_atomically(path, "{}").ok());
    EXPECT_FALSE(exists(path + ".tmp"));
  }
}

volatile sig_atomic_t g_alarms = 0;
void count_alarm(int) {
  g_alarms = g_alarms + 1;
}

TEST(Concurrency, SignalsWhileWaitingForTheLockDoNotFailTheSave) {
  ScopedTempDir tmp;
  const std::string data = tmp / "data";
  enable(data);
  int locked[2];
  ASSERT_EQ(::pipe(locked), 0);
  const pid_t holder = spawn([&] {
    const int fd = ::open((data + "/stories-sources.lock").c_str(), O_RDWR | O_CREAT, 0600);
    if (fd < 0 || ::flock(fd, LOCK_EX) != 0 || ::write(locked[1], "L", 1) != 1) return 1;
    const timespec hold{0, 300'000'000};
    ::nanosleep(&hold, nullptr);
    return 0;  // exiting releases the lock
  });
  char byte;
  ASSERT_EQ(::read(locked[0], &byte, 1), 1);

  struct sigaction action {};
  action.sa_handler = count_alarm;  // no SA_RESTART: the waiting flock returns EINTR
  struct sigaction previous {};
  ASSERT_EQ(::sigaction(SIGALRM, &action, &previous), 0);
  const itimerval every_20ms{{0, 20'000}, {0, 20'000}}, stop{};
  ::setitimer(ITIMER_REAL, &every_20ms, nullptr);
  const SaveOutcome outcome = save_seed(data, kKey, simple_seed());
  ::setitimer(ITIMER_REAL, &stop, nullptr);
  ::sigaction(SIGALRM, &previous, nullptr);

  EXPECT_TRUE(std::holds_alternative<Saved>(outcome)) << describe(outcome);
  EXPECT_GT(g_alarms, 0);
  EXPECT_EQ(exit_code(holder), 0);
  ::close(locked[0]);
  ::close(locked[1]);
}

}  // namespace
}  // namespace story_seeds
