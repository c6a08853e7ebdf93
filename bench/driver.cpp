// Drives the server and the pipe floor through the same pipes and prints one
// table: each figure for both programs, their ratio and the server's target.
//   bench_driver <server> <pipe floor> <scratch parent directory>
// Each figure is taken for both programs one right after the other, so that
// a busy machine weighs on both alike. Standard error goes to /dev/null.
// Exits 1 when a program gives a wrong answer or stops answering; a missed
// target is only reported.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "story_seeds/posix_io.h"
#include "story_seeds/unique_fd.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using story_seeds::UniqueFd;

constexpr int kColdStarts = 20;
constexpr std::size_t kPipelined = 100000;
constexpr int kPipelinedRounds = 5;
constexpr int kSaves = 400;
constexpr int kSavesPerQueue = 40;  // the queue holds 50
constexpr int kSavers = 8;          // processes saving into one queue at once
constexpr int kSavesPerSaver = 5;   // a round: 40 seeds, one queue
constexpr int kSaverRounds = 10;
constexpr int kMiBLineRounds = 5;
constexpr std::size_t kMiB = 1024 * 1024;
constexpr std::size_t kHugeLineBytes = 64 * kMiB;
constexpr int kAnswerTimeoutMs = 60000;
constexpr int kPipeBytes = 1024 * 1024;

constexpr std::string_view kDataDir = "/Library/Application Support/team.vesk.desktop";
constexpr std::string_view kParseErrorAnswer =
    R"({"error":{"code":-32700,"message":"Parse error"},"id":null,"jsonrpc":"2.0"})";
constexpr std::string_view kOffText = "Story sources are off in vesk";

// Removed on every exit, failures included.
std::string scratch_dir;

[[noreturn]] void fail(const std::string& what) {
  std::fprintf(stderr, "bench_driver: %s\n", what.c_str());
  std::error_code ignored;
  if (!scratch_dir.empty()) fs::remove_all(scratch_dir, ignored);
  std::exit(EXIT_FAILURE);
}

double seconds_since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

double percentile(std::vector<double> values, double fraction) {
  std::sort(values.begin(), values.end());
  auto rank = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1) + 0.5);
  return values[rank];
}

std::string request(std::string_view id, std::string_view method, std::string_view params = {}) {
  std::string line = R"({"jsonrpc":"2.0","id":)";
  line += id;
  line += R"(,"method":")";
  line += method;
  line += '"';
  if (!params.empty()) {
    line += R"(,"params":)";
    line += params;
  }
  line += "}\n";
  return line;
}

const std::string kInitialize = request(
    "0", "initialize",
    R"({"protocolVersion":"2025-06-18","capabilities":{},"clientInfo":{"name":"claude-code","version":"1.0.98"}})");

// A typical save_story_seed call: 330 bytes with a five-digit id.
std::string save_call(std::string_view id) {
  return request(
      id, "tools/call",
      R"({"name":"save_story_seed","arguments":{"title":"Cut the nightly import from 40 to 6 minutes",)"
      R"("what_happened":"The import re-read every file. I made it skip the unchanged ones.",)"
      R"("why_it_mattered":"Reports are ready before work starts.","open_questions":["Who noticed?"]}})");
}

// A tools/call line of exactly `bytes` bytes before its newline.
// A request of `bytes` bytes with its newline, padded with words inside a
// string: a tools/call's `what_happened`, or a ping's params.
std::string line_of(std::size_t bytes, std::string_view method) {
  const std::string head =
      method == "ping" ? R"({"jsonrpc":"2.0","id":1,"method":"ping","params":{"pad":")"
                       : R"({"jsonrpc":"2.0","id":1,"method":"tools/call","params":{"name":)"
                         R"("save_story_seed","arguments":{"title":"A long one","what_happened":")";
  const std::string_view tail = method == "ping" ? R"("}})" : R"("}}})";
  const std::string_view words = "The import re-read every file, so I made it skip the rest. ";
  std::string line(head);
  while (line.size() < bytes)
    line += words;
  line.resize(bytes - tail.size());
  line += tail;
  line += '\n';
  return line;
}

// A program under test, its standard input and output on pipes.
class Child {
 public:
  Child(const std::string& program, const std::vector<std::string>& args, const std::string& home) {
    int to_child[2];
    int from_child[2];
    if (pipe(to_child) != 0 || pipe(from_child) != 0) fail("pipe failed");
    UniqueFd child_input(to_child[0]);
    UniqueFd child_output(from_child[1]);
    input_.reset(to_child[1]);
    output_.reset(from_child[0]);
    fcntl(input_.get(), F_SETFD, FD_CLOEXEC);
    fcntl(output_.get(), F_SETFD, FD_CLOEXEC);
#ifdef F_SETPIPE_SZ
    // Fewer wake-ups per megabyte, for the floor and the server alike.
    fcntl(input_.get(), F_SETPIPE_SZ, kPipeBytes);
    fcntl(output_.get(), F_SETPIPE_SZ, kPipeBytes);
#endif

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, child_input.get(), STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, child_output.get(), STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addclose(&actions, child_input.get());
    posix_spawn_file_actions_addclose(&actions, child_output.get());
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& arg : args)
      argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    std::string home_variable = "HOME=" + home;
    char* envp[] = {home_variable.data(), nullptr};
    int error = posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), envp);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) fail("cannot start " + program + ": " + std::strerror(error));
  }

  Child(Child&& other) noexcept
      : pid_(std::exchange(other.pid_, -1)),
        input_(std::move(other.input_)),
        output_(std::move(other.output_)),
        buffer_(std::move(other.buffer_)),
        pending_(std::move(other.pending_)) {}
  Child& operator=(Child&&) = delete;
  ~Child() {
    if (pid_ > 0) finish();
  }

  pid_t pid() const {
    return pid_;
  }

  void send(std::string_view bytes) {
    if (!story_seeds::write_all(input_.get(), bytes).ok()) fail("the program stopped reading");
  }

  // Runs `sender` on another thread while `receiver` reads here, so that
  // neither side can fill its pipe and wait for the other.
  static void concurrently(const std::function<void()>& sender,
                           const std::function<void()>& receiver) {
    std::thread writer(sender);
    receiver();
    writer.join();
  }

  // The next response line, without its newline.
  std::string line() {
    std::size_t newline;
    while ((newline = pending_.find('\n')) == std::string::npos) {
      pending_.append(buffer_.data(), read_more());
    }
    std::string line = pending_.substr(0, newline);
    pending_.erase(0, newline + 1);
    return line;
  }

  // Reads until `count` lines have ended; returns the first of them. Only
  // the first line and what follows the last one are kept.
  std::string skip_lines(std::size_t count) {
    std::string first = line();
    std::size_t left = count - 1;
    std::size_t used = 0;
    left -= count_newlines(pending_, left, used);
    pending_.erase(0, used);
    while (left > 0) {
      std::string_view bytes(buffer_.data(), read_more());
      left -= count_newlines(bytes, left, used);
      if (left == 0) pending_.assign(bytes.substr(used));
    }
    return first;
  }

  // Ends the input and waits for a clean exit; the peak resident set in KiB.
  long finish() {
    input_.reset();
    int status = 0;
    struct rusage usage {};
    pid_t waited = story_seeds::retry_on_eintr([&] { return wait4(pid_, &status, 0, &usage); });
    pid_ = -1;
    if (waited < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) fail("abnormal exit");
#ifdef __APPLE__
    return usage.ru_maxrss / 1024;  // in bytes there
#else
    return usage.ru_maxrss;
#endif
  }

 private:
  // Up to `wanted` newlines of `bytes`; `used` ends after the last one counted.
  static std::size_t count_newlines(std::string_view bytes, std::size_t wanted, std::size_t& used) {
    std::size_t found = 0;
    used = 0;
    while (found < wanted) {
      const void* at = std::memchr(bytes.data() + used, '\n', bytes.size() - used);
      if (at == nullptr) break;
      used = static_cast<std::size_t>(static_cast<const char*>(at) - bytes.data()) + 1;
      ++found;
    }
    return found;
  }

  // Waits for output and reads what there is into `buffer_`.
  std::size_t read_more() {
    pollfd ready{output_.get(), POLLIN, 0};
    if (story_seeds::retry_on_eintr([&] { return poll(&ready, 1, kAnswerTimeoutMs); }) != 1) {
      fail("no answer within a minute");
    }
    auto got = story_seeds::read_some(output_.get(), buffer_.data(), buffer_.size());
    if (!got.ok() || got.value() == 0) fail("the program closed its output");
    return got.value();
  }

  pid_t pid_ = -1;
  UniqueFd input_;
  UniqueFd output_;
  std::vector<char> buffer_ = std::vector<char>(kPipeBytes);
  std::string pending_;
};

// "VmRSS" or "VmHWM" of a running process in KiB; nothing without /proc.
std::optional<long> proc_status_kib(pid_t pid, std::string_view field) {
  auto opened = story_seeds::open_fd("/proc/" + std::to_string(pid) + "/status", O_RDONLY);
  if (!opened.ok()) return std::nullopt;
  auto text = story_seeds::read_up_to(opened.value().get(), 16384);
  if (!text.ok()) return std::nullopt;
  std::size_t at = text.value().find(std::string(field) + ":");
  if (at == std::string::npos) return std::nullopt;
  return std::strtol(text.value().c_str() + at + field.size() + 1, nullptr, 10);
}

// Resident set of a running process in KiB, from ps where there is no /proc.
long resident_kib(pid_t pid) {
  if (auto kib = proc_status_kib(pid, "VmRSS")) return *kib;
  std::string command = "ps -o rss= -p " + std::to_string(pid);
  FILE* ps = popen(command.c_str(), "r");
  long kib = 0;
  bool read = ps != nullptr && std::fscanf(ps, "%ld", &kib) == 1;
  if (ps != nullptr) pclose(ps);
  if (!read) fail("cannot measure memory");
  return kib;
}

// Peak resident set in MiB: VmHWM while running, else the exit's rusage.
double peak_mib(Child& child) {
  std::optional<long> hwm = proc_status_kib(child.pid(), "VmHWM");
  long at_exit = child.finish();
  return static_cast<double>(hwm ? *hwm : at_exit) / 1024;
}

// One program, where it runs, and whether its answers are checked (the
// floor's never mean anything).
struct Subject {
  std::string program;
  bool is_floor;
  std::string off_home;   // the app's data directory without the enabled marker
  std::string save_home;  // saving on

  void check(bool ok, std::string_view what, std::string_view got) const {
    if (!ok && !is_floor) {
      fail(program + ": " + std::string(what) + "; got: " + std::string(got.substr(0, 200)));
    }
  }

  Child start(const std::string& home, std::vector<std::string> args = {}) const {
    Child child(program, args, home);
    child.send(kInitialize);
    std::string answer = child.line();
    check(answer.find(R"("protocolVersion":"2025-06-18")") != std::string::npos,
          "initialize answered", answer);
    return child;
  }
};

struct Pair {
  double server;
  double floor;
};

// The two programs' medians, starts alternating between them.
Pair cold_starts_ms(const Subject& server, const Subject& floor) {
  std::vector<double> times[2];
  for (int i = 0; i < kColdStarts; ++i) {
    for (int which = 0; which < 2; ++which) {
      Clock::time_point start = Clock::now();
      Child child = (which == 0 ? server : floor).start(server.off_home);
      times[which].push_back(seconds_since(start) * 1e3);
    }
  }
  return {median(times[0]), median(times[1])};
}

double idle_rss_mib(const Subject& subject) {
  Child child = subject.start(subject.off_home);
  return static_cast<double>(resident_kib(child.pid())) / 1024;
}

using MakeRequest = std::function<std::string(std::size_t)>;

// Requests per second, `kPipelined` made by `make_request` from their ids and
// sent at once. Rounds alternate between the two programs; each one's best
// round counts.
Pair pipelined(const Subject& server, const Subject& floor, const MakeRequest& make_request,
               std::string_view expected, std::vector<std::string> floor_args = {}) {
  Child children[2] = {server.start(server.off_home),
                       floor.start(floor.off_home, std::move(floor_args))};
  const Subject* subjects[2] = {&server, &floor};
  std::string requests;
  for (std::size_t i = 1; i <= kPipelined; ++i) {
    requests += make_request(i);
  }
  std::vector<double> rates[2];
  for (int round = 0; round < kPipelinedRounds; ++round) {
    for (int which = 0; which < 2; ++which) {
      Child& child = children[which];
      std::string first;
      Clock::time_point start = Clock::now();
      Child::concurrently([&] { child.send(requests); },
                          [&] { first = child.skip_lines(kPipelined); });
      rates[which].push_back(static_cast<double>(kPipelined) / seconds_since(start));
      subjects[which]->check(first.find(expected) != std::string::npos, "pipelined answer", first);
    }
  }
  return {*std::max_element(rates[0].begin(), rates[0].end()),
          *std::max_element(rates[1].begin(), rates[1].end())};
}

// The length of the server's answer to `request`, newline included.
std::size_t answer_bytes(const Subject& server, const std::string& request) {
  Child child = server.start(server.off_home);
  child.send(request);
  return child.line().size() + 1;
}

std::string marker_path(const std::string& home) {
  return home + std::string(kDataDir) + "/stories-sources.enabled";
}

// Points the enabled marker at a fresh queue.
void enable_queue(const std::string& home, int queue) {
  char inner[32];
  std::snprintf(inner, sizeof inner, "%026d", queue);
  std::string text = std::string("01JBENCH00000000000000000Z/") + inner + "\n";
  std::string path = marker_path(home);
  std::string scratch = path + ".new";
  auto file = story_seeds::open_fd(scratch, O_WRONLY | O_CREAT | O_TRUNC, 0600);
  if (!file.ok() || !story_seeds::write_all(file.value().get(), text).ok()) {
    fail("cannot write the enabled marker");
  }
  if (rename(scratch.c_str(), path.c_str()) != 0) fail("cannot move the enabled marker");
}

struct SaveFigures {
  double per_second;
  double p50_ms;
  double p99_ms;
};

SaveFigures saves(const Subject& subject) {
  Child child = subject.start(subject.save_home);
  std::vector<double> latencies;
  double total = 0;
  for (int i = 0; i < kSaves; ++i) {
    if (i % kSavesPerQueue == 0) enable_queue(subject.save_home, i / kSavesPerQueue);
    std::string call = save_call(std::to_string(10000 + i));
    Clock::time_point start = Clock::now();
    child.send(call);
    std::string answer = child.line();
    double elapsed = seconds_since(start);
    subject.check(answer.find(R"("isError":false)") != std::string::npos, "seed saved", answer);
    latencies.push_back(elapsed * 1e3);
    total += elapsed;
  }
  return {kSaves / total, percentile(latencies, 0.5), percentile(latencies, 0.99)};
}

// Saves per second with kSavers servers saving into one queue at once. Each
// round every server sends its share of a fresh queue's room in one go; the
// round ends when all have answered.
double concurrent_saves(const Subject& subject) {
  std::vector<Child> children;
  for (int i = 0; i < kSavers; ++i)
    children.push_back(subject.start(subject.save_home));
  std::string calls;
  for (int i = 0; i < kSavesPerSaver; ++i)
    calls += save_call(std::to_string(10000 + i));
  double total = 0;
  for (int round = 0; round < kSaverRounds; ++round) {
    enable_queue(subject.save_home, 1000 + round);
    Clock::time_point start = Clock::now();
    for (Child& child : children)
      child.send(calls);
    for (Child& child : children) {
      std::string first = child.skip_lines(kSavesPerSaver);
      subject.check(first.find(R"("isError":false)") != std::string::npos, "seed saved", first);
    }
    total += seconds_since(start);
  }
  return kSaverRounds * kSavers * kSavesPerSaver / total;
}

struct BigLineFigures {
  double ms;
  double peak_mib;
};

BigLineFigures mib_line(const Subject& subject, std::string_view method) {
  Child child = subject.start(subject.off_home);
  const std::string line = line_of(kMiB, method);
  const std::string_view expected = method == "ping" ? R"("result":{})" : kOffText;
  std::vector<double> times;
  for (int round = 0; round < kMiBLineRounds; ++round) {
    std::string answer;
    Clock::time_point start = Clock::now();
    Child::concurrently([&] { child.send(line); }, [&] { answer = child.line(); });
    times.push_back(seconds_since(start) * 1e3);
    subject.check(answer.find(expected) != std::string::npos, "1 MiB line answered", answer);
  }
  return {median(times), peak_mib(child)};
}

BigLineFigures huge_line(const Subject& subject) {
  Child child = subject.start(subject.off_home);
  const std::string chunk(kMiB, 'x');
  std::string refused;
  std::string pong;
  Clock::time_point start = Clock::now();
  Child::concurrently(
      [&] {
        for (std::size_t sent = 0; sent < kHugeLineBytes; sent += chunk.size()) {
          child.send(chunk);
        }
        child.send("\n");
        child.send(request("2", "ping"));
      },
      [&] {
        refused = child.line();
        pong = child.line();
      });
  double elapsed = seconds_since(start);
  subject.check(refused == kParseErrorAnswer, "64 MiB line refused", refused);
  subject.check(pong == R"({"id":2,"jsonrpc":"2.0","result":{}})", "next ping answered", pong);
  return {elapsed * 1e3, peak_mib(child)};
}

enum class Goal { None, AtMost, AtLeast };

struct Row {
  const char* name;
  Pair values;
  const char* unit;
  Goal goal = Goal::None;
  double limit = 0;  // in `unit`, or a ratio to the floor when `relative`
  bool relative = false;
  const char* target = "";
};

std::string format_value(double value, const char* unit) {
  if (std::strcmp(unit, "/s") == 0) {
    const std::string digits = std::to_string(std::llround(value));
    std::string grouped;
    for (std::size_t i = 0; i < digits.size(); ++i) {
      if (i > 0 && (digits.size() - i) % 3 == 0) grouped += ',';
      grouped += digits[i];
    }
    return grouped + "/s";
  }
  char text[64];
  std::snprintf(text, sizeof text, value < 10 ? "%.2f %s" : "%.1f %s", value, unit);
  return text;
}

void print_table(const std::vector<Row>& rows) {
  std::printf("%-46s %13s %13s %8s  %-15s %s\n", "figure", "server", "floor", "ratio", "target",
              "");
  for (const Row& row : rows) {
    double ratio = row.values.server / row.values.floor;
    const char* verdict = "";
    if (row.goal != Goal::None) {
      double measured = row.relative ? ratio : row.values.server;
      bool met = row.goal == Goal::AtMost ? measured <= row.limit : measured >= row.limit;
      verdict = met ? "met" : "MISSED";
    }
    std::printf("%-46s %13s %13s %7.2fx  %-15s %s\n", row.name,
                format_value(row.values.server, row.unit).c_str(),
                format_value(row.values.floor, row.unit).c_str(), ratio, row.target, verdict);
  }
}

void make_dirs(const std::string& path) {
  std::error_code error;
  fs::create_directories(path, error);
  if (error) fail("cannot create " + path);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s <server> <pipe floor> <scratch parent directory>\n", argv[0]);
    return 2;
  }
  signal(SIGPIPE, SIG_IGN);
  std::string scratch = std::string(argv[3]) + "/bench-XXXXXX";
  if (mkdtemp(scratch.data()) == nullptr) fail("cannot create a scratch directory");
  scratch_dir = fs::absolute(scratch).string();
  const std::string off_home = scratch_dir + "/off";
  const std::string save_home = scratch_dir + "/on";
  make_dirs(off_home + std::string(kDataDir));
  make_dirs(save_home + std::string(kDataDir));
  const Subject server{argv[1], false, off_home, save_home};
  const Subject floor{argv[2], true, off_home, save_home};

  auto ping = [](std::size_t id) { return request(std::to_string(id), "ping"); };
  auto tools_list = [](std::size_t id) { return request(std::to_string(id), "tools/list"); };
  auto tools_call = [](std::size_t id) { return save_call(std::to_string(id)); };

  const Pair cold = cold_starts_ms(server, floor);
  const Pair idle = {idle_rss_mib(server), idle_rss_mib(floor)};
  const Pair pings = pipelined(server, floor, ping, R"("result":{})");
  // The floor answers tools/list with lines as long as the server's.
  const std::size_t list_bytes = answer_bytes(server, tools_list(1));
  const Pair lists = pipelined(server, floor, tools_list, R"("name":"save_story_seed")",
                               {std::to_string(list_bytes)});
  const Pair calls = pipelined(server, floor, tools_call, kOffText);
  const SaveFigures saved[2] = {saves(server), saves(floor)};
  const Pair concurrent = {concurrent_saves(server), concurrent_saves(floor)};
  const BigLineFigures mib[2] = {mib_line(server, "tools/call"), mib_line(floor, "tools/call")};
  const BigLineFigures mib_ping[2] = {mib_line(server, "ping"), mib_line(floor, "ping")};
  const BigLineFigures huge[2] = {huge_line(server), huge_line(floor)};
  std::error_code ignored;
  fs::remove_all(scratch_dir, ignored);

  const std::string list_name =
      "tools/list, pipelined (answers of " + std::to_string(list_bytes) + " B)";
  print_table({
      {"cold start to initialize answer (median of 20)", cold, "ms", Goal::AtMost, 2, true,
       "<= 2x floor"},
      {"idle RSS after initialize", idle, "MiB", Goal::AtMost, 4, false, "<= 4 MiB"},
      {"ping, pipelined (short answers)", pings, "/s", Goal::AtLeast, 0.25, true, ">= 0.25x floor"},
      {list_name.c_str(), lists, "/s", Goal::AtLeast, 300000, false, ">= 300,000/s"},
      {"tools/call, saving off (330 B request)", calls, "/s", Goal::AtLeast, 200000, false,
       ">= 200,000/s"},
      {"saves, saving on, one at a time", {saved[0].per_second, saved[1].per_second}, "/s"},
      {"save latency p50", {saved[0].p50_ms, saved[1].p50_ms}, "ms"},
      {"save latency p99", {saved[0].p99_ms, saved[1].p99_ms}, "ms"},
      {"saves, 8 processes into one queue", concurrent, "/s"},
      {"1 MiB tools/call line: time to answer (median)",
       {mib[0].ms, mib[1].ms},
       "ms",
       Goal::AtMost,
       2,
       false,
       "<= 2 ms"},
      {"1 MiB ping line: time to answer (median)",
       {mib_ping[0].ms, mib_ping[1].ms},
       "ms",
       Goal::AtMost,
       1.5,
       false,
       "<= 1.5 ms"},
      {"1 MiB request lines: peak RSS",
       {std::max(mib[0].peak_mib, mib_ping[0].peak_mib),
        std::max(mib[1].peak_mib, mib_ping[1].peak_mib)},
       "MiB",
       Goal::AtMost,
       8,
       false,
       "<= 8 MiB"},
      {"64 MiB line, no newline: time to next answer", {huge[0].ms, huge[1].ms}, "ms"},
      {"64 MiB line: peak RSS (next ping answered)",
       {huge[0].peak_mib, huge[1].peak_mib},
       "MiB",
       Goal::AtMost,
       8,
       false,
       "<= 8 MiB"},
  });
  std::printf("pipelined: %zu requests a round, best of %d rounds; saves: %d in queues of %d\n",
              kPipelined, kPipelinedRounds, kSaves, kSavesPerQueue);
  return 0;
}
