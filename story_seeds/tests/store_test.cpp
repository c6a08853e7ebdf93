// The seed store: pure functions at their boundaries, then the queue on disk.
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#ifdef __linux__
#include <sys/inotify.h>
#endif
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "directory_entry.h"
#include "seed_id.h"
#include "siphash.h"
#include "story_seeds/posix_io.h"
#include "story_seeds/queue.h"
#include "story_seeds/text.h"

namespace story_seeds {
namespace {

namespace fs = std::filesystem;

SeedDraft seed(std::string t, std::string w, std::string y = "", std::vector<std::string> q = {}) {
  return {
      .title = t, .what_happened = w, .why_it_mattered = y, .open_questions = q, .created_at = ""};
}

TEST(Text, Utf8WhiteSpaceCharactersAndValidation) {
  const std::string valid =  // the ends of each lead byte's range
      "ascii \xC2\x80\xDF\xBF\xE0\xA0\x80\xE1\x80\x80\xED\x9F\xBF\xEE\x80\x80\xEF\xBF\xBD"
      "\xEF\xBF\xBF\xF0\x90\x80\x80\xF4\x8F\xBF\xBF";
  EXPECT_TRUE(is_valid_utf8(valid));
  EXPECT_FALSE(is_valid_utf8("ascii \x80"));
  EXPECT_EQ(replace_invalid_utf8(std::string_view("ok\xFF", 2)), "ok");  // not a byte further
  std::string replaced = replace_invalid_utf8(
      "\x80|\xC3\xC0|\xC1\xBF|\xE0\x9F\xBF|\xE0\xA0|\xF0\x8F\xBF\xBF|\xF0\x9F\x98!|\xED\xA0\x80|"
      "\xF4\x90\x80\x80|\xF5\x80|eight ch\xFF!\xFE");
  for (std::size_t at; (at = replaced.find("\xEF\xBF\xBD")) != replaced.npos;)
    replaced.replace(at, 3, 1, '#');  // one U+FFFD for each maximal invalid subpart
  EXPECT_EQ(replaced, "#|##|##|###|#|####|#!|###|####|##|eight ch#!#");

  const std::string white_space =
      "\t\n\v\f\r \xC2\x85\xC2\xA0\xE1\x9A\x80\xE2\x80\x80\xE2\x80\x8A\xE2\x80\xA8\xE2\x80\xA9"
      "\xE2\x80\xAF\xE2\x81\x9F\xE3\x80\x80";
  EXPECT_EQ(trim_white_space(white_space + "x y" + white_space), "x y");
  // Neighbours and look-alikes: U+0008, U+000E, U+001F, U+0084, U+0800, U+180E, U+1FFF, ...
  for (const std::string other :
       {"\x08", "\x0E", "\x1F", "\xC2\x84", "\xE0\xA0\x80", "\xE1\xA0\x8E", "\xE1\xBF\xBF",
        "\xE2\x80\x8B", "\xE2\x80\xB0", "\xE3\x80\x81", "\xEF\xBB\xBF"}) {
    EXPECT_EQ(trim_white_space(other + " x " + other), other + " x " + other) << other;
  }
  const std::string mixed = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";  // 1-, 2-, 3-, 4-byte
  EXPECT_EQ(count_chars(mixed), 4u);
  EXPECT_EQ(first_chars(mixed, 3), "a\xC3\xA9\xE2\x82\xAC");

  const std::string q200(200, 'q'), q201(201, 'q');
  std::string reports;
  for (const SeedDraft& draft :
       {seed("t", std::string(2000, 'w'), std::string(1000, 'y'), {q200, q200, q200, q200, q200}),
        seed("t", std::string(2001, 'w')), seed("t", "w", std::string(1001, 'y')),
        seed("t", "w", "", {"a", "b", "c", "d", q201}),
        seed(std::string(121, 't'), "w", "", {"1", "2", "3", "4", "5", q201}),
        seed("t", "w", "", {"1", "2", "3", "4", "5", q201})}) {
    const auto error = validate_seed(draft);
    reports += error ? std::string(error->reason_code()) + ": " + error->message() + "\n" : "ok\n";
  }
  EXPECT_EQ(reports, R"(ok
too_long: `what_happened` is longer than 2000 characters. Shorten it and save again — nothing was cut or saved.
too_long: `why_it_mattered` is longer than 1000 characters. Shorten it and save again — nothing was cut or saved.
too_long: `open_questions` is longer than 200 characters. Shorten it and save again — nothing was cut or saved.
too_long: `title` is longer than 120 characters. Shorten it and save again — nothing was cut or saved.
too_many_questions: `open_questions` has more than 5 items. Keep the 5 that matter most and save again.
)");
}

TEST(Seed, FileBytesTimestampsIdsAndRandomBits) {
  SeedDraft escaped = seed("\b\f\n\r\t\"\\\x1f\x1b\x7f/\xC3\xA9", "w", "", {"a", "b"});
  escaped.agent = AgentId::ClaudeCode;
  EXPECT_EQ(
      serialize_seed(escaped),
      "{\"version\":1,\"title\":\"\\b\\f\\n\\r\\t\\\"\\\\\\u001f\\u001b\x7f/\xC3\xA9\","
      R"("what_happened":"w","why_it_mattered":"","open_questions":["a","b"],"created_at":"",)"
      R"("agent":"claude-code"})");
  std::string times;
  for (const std::uint64_t seconds : {0ull, 86399ull, 951782400ull, 1709251199ull, 4107542400ull,
                                      253402300799ull, 253402300800ull, ~0ull})
    times += format_created_at(seconds) + " ";
  EXPECT_EQ(times,
            "1970-01-01T00:00:00Z 1970-01-01T23:59:59Z 2000-02-29T00:00:00Z 2024-02-29T23:59:59Z "
            "2100-03-01T00:00:00Z 9999-12-31T23:59:59Z 10000-01-01T00:00:00Z "
            "584554051223-11-09T07:00:15Z ");

  const RandomBytes counting{0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF, 0x01, 0x23};
  const RandomBytes ones{255, 255, 255, 255, 255, 255, 255, 255, 255, 255};
  EXPECT_EQ(encode_seed_id((1ull << 48) - 1, ones), "7ZZZZZZZZZZZZZZZZZZZZZZZZZ");
  EXPECT_EQ(encode_seed_id((1ull << 48) + 1469918176385, counting), "01ARYZ6S4104HMASW9NF6YY093");
  timespec now{};  // a fresh id starts with the clock's milliseconds
  ::clock_gettime(CLOCK_REALTIME, &now);
  const std::string fresh = new_seed_id();
  EXPECT_LE(encode_seed_id(now.tv_sec * 1000ull + now.tv_nsec / 1'000'000, {}), fresh);
  EXPECT_LE(fresh, encode_seed_id((now.tv_sec + 10) * 1000ull, ones));
  // Without the system's random source: distinct outputs with every bit in use.
  std::set<RandomBytes> outputs;
  RandomBytes bits_seen{};
  for (int i = 0; i < 1000; ++i) {
    const RandomBytes bytes = *outputs.insert(fallback_random_bytes()).first;
    for (std::size_t b = 0; b < bytes.size(); ++b)
      bits_seen[b] |= bytes[b];
  }
  EXPECT_EQ(outputs.size(), 1000u);
  EXPECT_EQ(bits_seen, ones);
  const std::uint8_t key[16] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
  EXPECT_EQ((sip_hash<2, 4>(load_le64(key), load_le64(key + 8), key, 15)), 0xa129ca6149be45e5u)
      << "the SipHash-2-4 reference vector";
}

const QueueKey kKey{"01HZX3K9M2Q7R8S4T5V6W7X8Y9", "7ZZZZZZZZZZZZZZZZZZZZZZZZZ"};
const SeedDraft kSeed = seed("Fixed the flaky build", "Found the race.");

// Runs `body` in a child process, whose exit code is its result.
template <class Body>
pid_t spawn(Body body) {
  const pid_t pid = ::fork();
  if (pid == 0) ::_exit(body());
  return pid;
}

int exit_code(pid_t pid) {
  int status = 0;
  return ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

volatile sig_atomic_t g_alarms = 0;

// SIGALRM every `interval_us` from now on (counted afresh), or no more for 0.
// Without SA_RESTART a blocked call returns early: EINTR, or the count so far.
void alarm_every(int interval_us) {
  g_alarms = interval_us > 0 ? 0 : g_alarms;
  struct sigaction action {};
  action.sa_handler = [](int) { g_alarms = g_alarms + 1; };
  ::sigaction(SIGALRM, &action, nullptr);
  const itimerval every{{0, interval_us}, {0, interval_us}};
  ::setitimer(ITIMER_REAL, &every, nullptr);
}

// Each test gets a fresh directory under $TMPDIR, kept when it fails.
class Store : public ::testing::Test {
 protected:
  void TearDown() override {
    if (!HasFailure()) fs::remove_all(root_);
  }
  void write(const std::string& path, const std::string& bytes) const {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
  }

  std::string root_ = [] {
    std::string dir = fs::temp_directory_path() / "story_seeds.XXXXXX";
    return ::mkdtemp(dir.data()) ? dir : "/nonexistent";
  }();
  const std::string data_ = root_ + "/home/data", queue_ = queue_dir(data_, kKey);
  const std::string marker_ = data_ + "/stories-sources.enabled";
};

TEST_F(Store, MarkerQueueCountPrivateDirsAndAtomicFiles) {
  const std::string k = kKey.outer + "/" + kKey.inner, lower = "01hzx3k9m2q7r8s4t5v6w7x8ya";
  const std::pair<std::string, std::optional<QueueKey>> cases[] = {
      {"\xE3\x80\x80 " + k + "\r\n", kKey},
      {lower + "/" + lower, QueueKey{lower, lower}},
      {k + std::string(256 - k.size(), ' '), kKey},
      {k + std::string(257 - k.size(), ' '), {}},
      {k + "\xFF", {}}};
  for (const auto& [content, expected] : cases) {
    write(marker_, content);
    EXPECT_EQ(read_enabled_marker(data_), expected) << content;
  }

  // The queue counts only regular files named after seed ids.
  const std::string id = "01HZX3K9M2Q7R8S4T5V6W7X8Y", stem = queue_ + "/" + id;
  for (const std::string name : {"0.json", "a.json", ".json", "00.json", "I.json", "u.json",
                                 "-.json", "B.JSON", "C.json.tmp"})
    write(stem + name, "");
  write(queue_ + "/8" + id.substr(1) + "0.json", "");
  fs::create_directory(stem + "D.json");
  fs::create_symlink(stem + "a.json", stem + "E.json");
  const IoResult<std::size_t> counted = count_queued(queue_);
  EXPECT_EQ(counted.value(), 2u);
  // Where a listing does not know an entry's type, the entry is looked at.
  const int dir = ::open(queue_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  for (const std::string name : {"a.json", "D.json", "E.json", "Z.json"})
    EXPECT_EQ(is_regular_entry(dir, (id + name).c_str(), DT_UNKNOWN), name == "a.json") << name;
  ::close(dir);

  const std::string dirs = root_ + "/a/b";
  ASSERT_TRUE(ensure_private_dir(dirs).ok());
  EXPECT_EQ(fs::status(root_ + "/a").permissions(), fs::perms(0700));
  fs::permissions(dirs, fs::perms(0755));
  ASSERT_TRUE(ensure_private_dir(dirs).ok());
  EXPECT_EQ(fs::status(dirs).permissions(), fs::perms(0700));
  const std::string file = dirs + "/seed.json";
  write(file + ".tmp", "half a se");  // left by a writer that died
#ifdef __linux__
  // Only the flush of the file's own folder opens something there read-only.
  const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  ::inotify_add_watch(watch, dirs.c_str(), IN_CLOSE_NOWRITE);
#endif
  ASSERT_TRUE(write_file_atomically(file, "{\"whole\":1}").ok());
#ifdef __linux__
  alignas(inotify_event) char event[4096];
  EXPECT_GT(::read(watch, event, sizeof event), 0) << "the folder was not flushed";
  ::close(watch);
#endif
  std::ifstream written(file);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(written), {}), "{\"whole\":1}");
  EXPECT_EQ(fs::status(file).permissions(), fs::perms(0600));
  EXPECT_FALSE(fs::exists(file + ".tmp"));
  for (const std::string names_no_file : {"/dir/", "/dir/.", "/dir/.."})
    EXPECT_EQ(write_file_atomically(root_ + names_no_file, "x").error().message(), "no file name");
}

TEST(PosixIo, ShortWritesAndShortReadsMoveEveryByte) {
  UniqueFd zero(0);
  EXPECT_TRUE(zero.valid());  // descriptor 0 is one like any other
  zero.release();
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
#ifdef F_SETPIPE_SZ
  ASSERT_EQ(::fcntl(fds[1], F_SETPIPE_SZ, 65536), 65536);
#endif
  // One byte more than the pipe holds: an alarm cuts the first write short once the
  // pipe is full, the last byte goes alone, and the slow reader gets two pieces.
  const std::string bytes = std::string(65536, 'x') + "!";
  const pid_t reader = spawn([&] {
    ::usleep(200'000);
    return read_up_to(fds[0], bytes.size()).value() == bytes ? 0 : 1;
  });
  alarm_every(10'000);
  EXPECT_TRUE(write_all(fds[1], bytes).ok());
  alarm_every(0);
  EXPECT_EQ(exit_code(reader), 0);
  ::close(fds[0]);
  ::close(fds[1]);
}

// Nine savers wait for the lock while five places are left in the queue: one
// here, under alarms that interrupt its wait, and eight in processes of their own.
TEST_F(Store, ParallelSaversFillTheQueueExactlyAndSignalsDoNotFailTheWait) {
  fs::create_directories(data_);
  ASSERT_EQ(::mkfifo(marker_.c_str(), 0600), 0);  // a marker that is not a file: off, at once
  EXPECT_TRUE(std::holds_alternative<Off>(save_seed(data_, kKey, kSeed)));
  fs::remove(marker_);
  write(marker_, "01hzx3k9m2q7r8s4t5v6w7x8y9/7zzzzzzzzzzzzzzzzzzzzzzzzz");  // another queue
  EXPECT_TRUE(std::holds_alternative<Off>(save_seed(data_, kKey, kSeed)));
  write(marker_, kKey.outer + "/" + kKey.inner);
  for (int i = 0; i < 45; ++i)
    write(queue_ + "/" + new_seed_id() + ".json", "{}");

  const int lock = ::open((data_ + "/stories-sources.lock").c_str(), O_RDWR | O_CLOEXEC);
  ASSERT_EQ(::flock(lock, LOCK_EX), 0);
  std::vector<pid_t> savers(8);
  for (pid_t& saver : savers)
    saver = spawn([&] { return static_cast<int>(save_seed(data_, kKey, kSeed).index()); });
  const pid_t releaser = spawn([&] {
    ::usleep(300'000);
    return ::flock(lock, LOCK_UN);  // a child shares the parent's lock, so it can release it
  });
  alarm_every(20'000);
  std::multiset<std::size_t> outcomes{save_seed(data_, kKey, kSeed).index()};
  alarm_every(0);
  EXPECT_GT(g_alarms, 0);
  EXPECT_EQ(exit_code(releaser), 0);
  for (const pid_t saver : savers)
    outcomes.insert(exit_code(saver));
  EXPECT_EQ(outcomes, (std::multiset<std::size_t>{0, 0, 0, 0, 0, 3, 3, 3, 3}));  // Saved, Full
  EXPECT_EQ(std::distance(fs::directory_iterator(queue_), {}), 50);  // and no ".tmp" left
  ::close(lock);
}

TEST_F(Store, WriterKilledAtAnyMomentLeavesTheWholeFileOrNone) {
  fs::create_directories(queue_);
  const std::string file = queue_ + "/" + kKey.outer + ".json", bytes(1 << 20, 'y');
  for (int round = 0; round < 10; ++round) {
    fs::remove(file);
    const pid_t writer = spawn([&] {
      while (write_file_atomically(file, bytes).ok()) {
      }
      return 1;
    });
    ::usleep(200 + 700 * round);
    ::kill(writer, SIGKILL);
    exit_code(writer);
    const bool written = fs::exists(file);
    EXPECT_TRUE(!written || fs::file_size(file) == bytes.size()) << "round " << round;
    EXPECT_EQ(count_queued(queue_).value(), written ? 1u : 0u);  // a ".tmp" never counts
  }
}

}  // namespace
}  // namespace story_seeds
