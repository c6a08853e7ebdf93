// Each system call on the save path made to fail once, by strace, in the built
// binary, which carries no test hooks. Every case saves twice in one session
// and then pings: the first save meets the fault, the second shows that the
// lock was let go and that the queue counts right, the ping that the server
// still answers. A first traced run, without a fault, finds which call of its
// kind to fail, so the random seed names need no seam.
#include <algorithm>
#include <regex>
#include <set>

#include "run_server.h"

namespace vesk_test {
namespace {

namespace fs = std::filesystem;

struct Fault {
  std::string syscall;
  std::string where;         // matches the call's trace line; -y shows a descriptor's path
  int nth;                   // which matching call fails
  std::string error;         // an errno name, or "retval=N"
  std::string first;         // what the first save logs after "save_story_seed "
  bool loose_modes = false;  // the queue directories exist with mode 0755
};

void PrintTo(const Fault& f, std::ostream* out) {
  *out << f.syscall << " #" << f.nth << " of /" << f.where << "/ gives " << f.error;
}

const std::string kSaved = "outcome=saved queued=1", kOff = "outcome=off";
std::string failed(const std::string& kind) {
  return "outcome=failed kind=" + kind;
}

const Fault kFaults[] = {
    // A call the save cannot do without.
    {"mkdir", R"(desktop")", 1, "ENOSPC", failed("StorageFull")},
    {"newfstatat", R"(desktop")", 2, "EIO", failed("InputOutputError")},
    {"chmod", R"(desktop")", 1, "EDQUOT", failed("QuotaExceeded")},
    {"openat", R"(lock")", 1, "EROFS", failed("ReadOnlyFilesystem")},
    {"flock", "LOCK_EX", 1, "EIO", failed("InputOutputError")},
    {"mkdir", R"(seeds")", 1, "ENOSPC", failed("StorageFull")},
    {"newfstatat", R"(seeds")", 1, "EIO", failed("InputOutputError")},
    {"chmod", R"(seeds")", 1, "EROFS", failed("ReadOnlyFilesystem"), true},
    {"mkdir", R"(9D")", 1, "EDQUOT", failed("QuotaExceeded")},
    {"newfstatat", R"(9D")", 1, "EIO", failed("InputOutputError")},
    {"chmod", R"(9D")", 1, "ENOSPC", failed("StorageFull"), true},
    {"mkdir", R"(0A")", 1, "EROFS", failed("ReadOnlyFilesystem")},
    {"newfstatat", R"(0A")", 1, "EIO", failed("InputOutputError")},
    {"chmod", R"(0A")", 1, "EDQUOT", failed("QuotaExceeded"), true},
    {"openat", R"(0A")", 1, "EIO", failed("InputOutputError")},
    {"newfstatat", "0A>", 1, "EIO", failed("InputOutputError")},
    {"getdents64", "0A>", 1, "EIO", failed("InputOutputError")},
    {"openat", R"(tmp")", 1, "ENOSPC", failed("StorageFull")},
    {"write", "tmp>", 1, "EDQUOT", failed("QuotaExceeded")},
    {"write", "tmp>", 1, "retval=0", failed("WriteZero")},
    {"fsync", "tmp>", 1, "EIO", failed("InputOutputError")},
    {"rename", R"(tmp")", 1, "EROFS", failed("ReadOnlyFilesystem")},
    // stat only decides whether mkdir's EEXIST stands; the EEXIST is reported.
    {"newfstatat", R"(desktop")", 1, "EIO", failed("AlreadyExists")},
    // Failures the save retries, gets past, or takes as saving switched off.
    {"openat", R"(lock")", 1, "EINTR", kSaved},
    {"flock", "LOCK_EX", 1, "EINTR", kSaved},
    {"flock", "LOCK_UN", 1, "EIO", kSaved},
    {"close", "lock>", 1, "EIO", kSaved},
    {"chmod", R"(desktop")", 1, "EINTR", kSaved},
    {"chmod", R"(0A")", 1, "EINTR", kSaved, true},
    {"newfstatat", R"(json")", 1, "EIO", kSaved},
    {"unlink", R"(tmp")", 1, "EIO", kSaved},
    {"openat", R"(tmp")", 1, "EINTR", kSaved},
    {"write", "tmp>", 1, "EINTR", kSaved},
    {"fsync", "tmp>", 1, "EINTR", kSaved},
    {"close", "tmp>", 1, "EIO", kSaved},
    {"openat", R"(0A")", 2, "EIO", kSaved},
    {"fsync", "0A>", 1, "EIO", kSaved},
    {"openat", R"(0A")", 3, "EIO", "outcome=saved queued=0"},
    {"read", "enabled>", 1, "EINTR", kSaved},
    {"read", "enabled>", 1, "EIO", kOff},
    {"newfstatat", "enabled>", 1, "EIO", kOff},
    {"newfstatat", R"(enabled")", 2, "EIO", kOff},
};

std::string call(int id) {
  return R"({"id":)" + std::to_string(id) +
         R"(,"method":"tools/call","params":{"name":"save_story_seed","arguments":)"
         R"({"title":"Retries","what_happened":"Queued jobs retry after a disk error."}}})"
         "\n";
}

std::string result(int id, const std::string& text, bool is_error) {
  return R"({"id":)" + std::to_string(id) + R"(,"jsonrpc":"2.0","result":{"content":[{"text":")" +
         text + R"(","type":"text"}],"isError":)" + (is_error ? "true" : "false") + "}}\n";
}

std::vector<std::string> lines_of(const std::string& path) {
  std::vector<std::string> lines;
  std::istringstream in(read_file(path));
  for (std::string line; std::getline(in, line);)
    lines.push_back(line);
  return lines;
}

class FaultInjection : public ::testing::TestWithParam<Fault> {
 protected:
  void SetUp() override {
    if (system("strace -V >/dev/null 2>&1") != 0) GTEST_SKIP() << "strace is not installed";
    setenv("ASAN_OPTIONS", "detect_leaks=0", 1);  // LeakSanitizer cannot run under a tracer
    fs::create_directories(queue_);
    for (fs::path dir = queue_; dir != fs::path(data_dir_).parent_path(); dir = dir.parent_path())
      fs::permissions(dir, fs::perms(0755));  // loose, so that the save has a mode to tighten
    if (!GetParam().loose_modes) fs::remove_all(data_dir_ + "/story-seeds");
    std::ofstream(data_dir_ + "/stories-sources.enabled") << kOuter << "/" << kInner << "\n";
  }

  ServerOutput traced(const std::vector<std::string>& options, const std::string& log) {
    std::vector<std::string> argv{"strace", "-qq", "-y", "-o", log};
    argv.insert(argv.end(), options.begin(), options.end());
    argv.push_back(VESK_BINARY_PATH);
    ServerRun run;
    run.argv = argv;
    run.input = call(1) + call(2) + R"({"id":3,"method":"ping"})" + "\n";
    run.home = scratch_.path();
    return run_server(run, scratch_.path());
  }

  // Of all calls of the fault's kind, the number of the one to fail.
  int call_number(const Fault& f) {
    const std::string log = scratch_.path() + "/dry.log";
    const ServerOutput dry = traced({"-e", "trace=" + f.syscall}, log);
    EXPECT_EQ(dry.status, 0) << dry.err;
    int matched = 0, number = 0;
    for (const std::string& line : lines_of(log)) {
      ++number;
      if (std::regex_search(line, std::regex(f.where)) && ++matched == f.nth) break;
    }
    fs::remove_all(data_dir_ + "/story-seeds");
    SetUp();
    EXPECT_EQ(matched, f.nth) << "no such call in a save";
    return number;
  }

  // Descriptors opened on the data directory and never closed.
  std::set<std::string> leaked(const std::string& log) {
    std::set<std::string> open;
    const std::regex opened(R"(^openat\(.*team\.vesk\.desktop.* = (\d+)<)"),
        closed(R"(^close\((\d+)<)");
    std::smatch match;
    for (const std::string& line : lines_of(log)) {
      if (std::regex_search(line, match, opened)) open.insert(match[1]);
      if (std::regex_search(line, match, closed)) open.erase(match[1]);
    }
    return open;
  }

  ScratchDir scratch_;
  const std::string kOuter = "01JBQ7ZK3V9W2X4Y5Z6A7B8C9D", kInner = "01JBQ80000000000000000000A";
  const std::string data_dir_ = scratch_.path() + "/Library/Application Support/team.vesk.desktop";
  const std::string queue_ = data_dir_ + "/story-seeds/" + kOuter + "/" + kInner;
};

TEST_P(FaultInjection, SaveFailsWholeOrSucceedsWhole) {
  const Fault& f = GetParam();
  const std::string injection = f.syscall + ":" +
                                (f.error.starts_with("retval") ? f.error : "error=" + f.error) +
                                ":when=" + std::to_string(call_number(f));
  const std::string log = scratch_.path() + "/fault.log";
  const ServerOutput output =
      traced({"-e", "trace=" + f.syscall + ",openat,close", "-e", "inject=" + injection}, log);

  const bool saved = f.first.starts_with("outcome=saved");
  const std::string text = saved ? "Saved on this Mac. Review it in vesk → Story sources."
                           : f.first == kOff ? "Story sources are off in vesk"
                                             : "vesk couldn't save this seed on this Mac. Nothing "
                                               "was saved.";
  EXPECT_EQ(output.out,
            result(1, text, !saved) +
                result(2, "Saved on this Mac. Review it in vesk → Story sources.", false) +
                R"({"id":3,"jsonrpc":"2.0","result":{}})" + "\n");
  const std::string event = "vesk-desktop-mcp: save_story_seed ";
  EXPECT_EQ(output.err, "vesk-desktop-mcp: ready\n" + event + f.first + "\n" + event +
                            "outcome=saved queued=" + (saved ? "2" : "1") +
                            "\nvesk-desktop-mcp: closed\n");
  EXPECT_EQ(output.status, 0);

  int injected = 0;
  for (const std::string& line : lines_of(log)) {
    if (line.ends_with("(INJECTED)")) {
      ++injected;
      EXPECT_TRUE(std::regex_search(line, std::regex(f.where))) << line;
    }
  }
  EXPECT_EQ(injected, 1);
  EXPECT_EQ(leaked(log), std::set<std::string>());
  std::size_t seeds = 0;
  for (const auto& entry : fs::recursive_directory_iterator(data_dir_)) {
    EXPECT_FALSE(entry.path().string().ends_with(".tmp")) << entry.path();
    if (entry.path().extension() != ".json") continue;
    ++seeds;
    EXPECT_EQ(entry.path().parent_path(), queue_);
    EXPECT_EQ(entry.status().permissions(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_TRUE(std::regex_match(
        read_file(entry.path()),
        std::regex(R"(\{"version":1,"title":"Retries","what_happened":"Queued jobs retry after )"
                   R"(a disk error\.","why_it_mattered":"","open_questions":\[\],"created_at":")"
                   R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ","agent":"unknown"\})")));
  }
  EXPECT_EQ(seeds, saved ? 2u : 1u);
}

INSTANTIATE_TEST_SUITE_P(Calls, FaultInjection, ::testing::ValuesIn(kFaults),
                         [](const auto& fault) {
                           std::string name = std::to_string(fault.index) + "_" +
                                              fault.param.syscall + "_" + fault.param.error;
                           std::replace(name.begin(), name.end(), '=', '_');
                           return name;
                         });

}  // namespace
}  // namespace vesk_test
