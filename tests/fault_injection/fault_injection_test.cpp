// Each file-system call on the save path made to fail once, through the built
// binary. A library preloaded into the server plays the failing disk, so the
// server itself carries no test hooks. Every case saves twice in one session
// and then pings: the first save meets the fault, the second shows that the
// lock was let go and that the queue counts right, the ping that the server
// still answers.
#include <sys/stat.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <ostream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "save_outcomes.h"
#include "server_process.h"

namespace vesk_test {
namespace {

namespace fs = std::filesystem;

// Long enough that a short write splits it for real.
const std::string kArguments =
    R"({"title":"Retries","what_happened":"Queued jobs retry after a disk error.","open_questions":["How many?"]})";
const std::regex kSeedFile(
    R"(\{"version":1,"title":"Retries","what_happened":"Queued jobs retry after a disk error\.",)"
    R"("why_it_mattered":"","open_questions":\["How many\?"\],)"
    R"("created_at":"\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ","agent":"unknown"\})");

// Path endings that pick out one file or directory of the queue.
const std::string kDataDir = "/team.vesk.desktop";
const std::string kLockFile = "/stories-sources.lock";
const std::string kMarker = "/stories-sources.enabled";
const std::string kQueueRoot = "/story-seeds";
const std::string kOuterDir = "/" + kOuter;
const std::string kQueueDir = "/" + kInner;
const std::string kSeed = ".json";
const std::string kTemp = ".json.tmp";

std::string call(int id) {
  return R"({"jsonrpc":"2.0","id":)" + std::to_string(id) +
         R"(,"method":"tools/call","params":{"name":"save_story_seed","arguments":)" + kArguments +
         "}}\n";
}

std::string read_file(const fs::path& path) {
  std::stringstream content;
  content << std::ifstream(path, std::ios::binary).rdbuf();
  return content.str();
}

std::string shim_variable() {
  return std::string("LD_PRELOAD=") + VESK_FAULT_SHIM;
}

// A sanitizer runtime that is a shared library insists on coming first in the
// library list; the shim only forwards to it, so the order does not matter.
void allow_shim_before_sanitizer() {
  const char* given = std::getenv("ASAN_OPTIONS");
  std::string options = given != nullptr ? given : "";
  if (options.find("verify_asan_link_order") != std::string::npos) return;
  if (!options.empty()) options += ":";
  setenv("ASAN_OPTIONS", (options + "verify_asan_link_order=0").c_str(), 1);
}

// Why the shim cannot be used with this build, or nothing when it can.
std::optional<std::string> probe_shim() {
  if (!fs::exists(VESK_FAULT_SHIM)) return std::string("no shim at ") + VESK_FAULT_SHIM;
  allow_shim_before_sanitizer();
  ScratchDir scratch;
  const std::string log = scratch.path() + "/fault.log";
  ServerRun run;
  run.input = R"({"jsonrpc":"2.0","id":1,"method":"ping"})"
              "\n";
  run.environment = {shim_variable(), "VESK_FAULT_LOG=" + log};
  ProcessResult result = run_server(run);
  if (read_file(log).rfind("loaded", 0) != 0 || result.err != event_lines({"ready", "closed"})) {
    return "the fault shim does not load cleanly into this build of the server (a sanitizer "
           "runtime may insist on coming first); standard error was: " +
           result.err;
  }
  return std::nullopt;
}

const std::optional<std::string>& shim_unavailable() {
  static const std::optional<std::string> reason = probe_shim();
  return reason;
}

struct FaultCase {
  std::string name;
  std::string call;      // as the shim names it
  std::string path_end;  // of the path the call works on
  std::string error;     // errno name, or "short" or "zero" for a transfer
  int nth;               // which matching call fails
  std::string event;     // of the first save, after "save_story_seed "
  bool loose_modes;      // the queue directories exist beforehand with mode 0755
};

void PrintTo(const FaultCase& c, std::ostream* out) {
  *out << c.call << " of *" << c.path_end << " #" << c.nth << " gives " << c.error;
}

// What an errno makes of a save that cannot go on.
struct DiskError {
  const char* name;
  const char* kind;
};
const DiskError kDiskErrors[] = {{"ENOSPC", "StorageFull"},
                                 {"EIO", "InputOutputError"},
                                 {"EDQUOT", "QuotaExceeded"},
                                 {"EROFS", "ReadOnlyFilesystem"}};

// A call the save cannot do without.
struct Site {
  std::string name;
  std::string call;
  std::string path_end;
  bool loose_modes = false;
};

std::vector<FaultCase> failing_sites() {
  const std::vector<Site> sites = {
      {"mkdir_data_dir", "mkdir", kDataDir},
      {"lstat_data_dir", "lstat", kDataDir},
      {"chmod_data_dir", "chmod", kDataDir},
      {"open_lock", "open", kLockFile},
      {"flock_lock", "flock", kLockFile},
      {"mkdir_queue_root", "mkdir", kQueueRoot},
      {"lstat_queue_root", "lstat", kQueueRoot},
      {"chmod_queue_root", "chmod", kQueueRoot, true},
      {"mkdir_outer", "mkdir", kOuterDir},
      {"lstat_outer", "lstat", kOuterDir},
      {"chmod_outer", "chmod", kOuterDir, true},
      {"mkdir_queue", "mkdir", kQueueDir},
      {"lstat_queue", "lstat", kQueueDir},
      {"chmod_queue", "chmod", kQueueDir, true},
      {"open_queue_for_count", "open", kQueueDir},
      {"fdopendir_queue", "fdopendir", kQueueDir},
      {"readdir_queue", "readdir", kQueueDir},
      {"open_temp", "open", kTemp},
      {"write_temp", "write", kTemp},
      {"fsync_temp", "fsync", kTemp},
      {"rename_temp", "rename", kTemp},
  };
  std::vector<FaultCase> cases;
  for (const Site& site : sites) {
    for (const DiskError& error : kDiskErrors) {
      std::string suffix = error.name;
      for (char& c : suffix)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      cases.push_back({site.name + "_" + suffix, site.call, site.path_end, error.name, 1,
                       std::string("outcome=failed kind=") + error.kind, site.loose_modes});
    }
  }
  return cases;
}

const std::string kSavedFirst = "outcome=saved queued=1";

// Failures the save retries, ignores, or takes as "switched off".
const std::vector<FaultCase> kSurvivedFaults = {
    {"open_lock_interrupted", "open", kLockFile, "EINTR", 1, kSavedFirst, false},
    {"flock_interrupted", "flock", kLockFile, "EINTR", 1, kSavedFirst, false},
    {"unlock_fails_close_releases", "flock", kLockFile, "EIO", 2, kSavedFirst, false},
    {"close_lock_fails", "close", kLockFile, "EIO", 1, kSavedFirst, false},
    // stat only decides whether mkdir's EEXIST stands; the EEXIST is reported.
    {"stat_data_dir_fails", "stat", kDataDir, "EIO", 1, "outcome=failed kind=AlreadyExists", false},
    {"chmod_data_dir_interrupted", "chmod", kDataDir, "EINTR", 1, kSavedFirst, false},
    {"chmod_queue_interrupted", "chmod", kQueueDir, "EINTR", 1, kSavedFirst, true},
    {"lstat_seed_name_fails_means_free", "lstat", kSeed, "EIO", 1, kSavedFirst, false},
    {"unlink_stale_temp_fails", "unlink", kTemp, "EIO", 1, kSavedFirst, false},
    {"open_temp_interrupted", "open", kTemp, "EINTR", 1, kSavedFirst, false},
    {"write_temp_interrupted", "write", kTemp, "EINTR", 1, kSavedFirst, false},
    {"write_temp_short", "write", kTemp, "short", 1, kSavedFirst, false},
    {"write_temp_zero", "write", kTemp, "zero", 1, "outcome=failed kind=WriteZero", false},
    {"fsync_temp_interrupted", "fsync", kTemp, "EINTR", 1, kSavedFirst, false},
    {"close_temp_fails", "close", kTemp, "EIO", 1, kSavedFirst, false},
    {"open_queue_for_flush_fails", "open", kQueueDir, "EIO", 2, kSavedFirst, false},
    {"fsync_queue_fails", "fsync", kQueueDir, "EIO", 1, kSavedFirst, false},
    {"recount_fails", "open", kQueueDir, "EIO", 3, "outcome=saved queued=0", false},
    {"read_marker_interrupted", "read", kMarker, "EINTR", 1, kSavedFirst, false},
    {"read_marker_short", "read", kMarker, "short", 1, kSavedFirst, false},
    {"read_marker_fails", "read", kMarker, "EIO", 1, "outcome=off", false},
    {"fstat_marker_fails", "fstat", kMarker, "EIO", 1, "outcome=off", false},
    {"lstat_marker_fails_under_lock", "lstat", kMarker, "EIO", 2, "outcome=off", false},
};

std::vector<FaultCase> all_cases() {
  std::vector<FaultCase> cases = failing_sites();
  cases.insert(cases.end(), kSurvivedFaults.begin(), kSurvivedFaults.end());
  return cases;
}

class FaultInjection : public ::testing::TestWithParam<FaultCase> {
 protected:
  void SetUp() override {
    if (const auto& reason = shim_unavailable()) GTEST_SKIP() << *reason;
    data_dir_ = scratch_.path() + "/Library/Application Support/team.vesk.desktop";
    fs::create_directories(data_dir_);
    // Loose, so that the save has a mode to tighten.
    fs::permissions(data_dir_, fs::perms(0755));
    std::ofstream(data_dir_ + "/stories-sources.enabled") << kOuter + "/" + kInner + "\n";
  }

  std::string queue() const { return data_dir_ + "/story-seeds/" + kOuter + "/" + kInner; }
  std::string log_path() const { return scratch_.path() + "/fault.log"; }

  void loosen_queue_modes() {
    fs::create_directories(queue());
    for (fs::path dir = queue(); dir != data_dir_; dir = dir.parent_path())
      fs::permissions(dir, fs::perms(0755));
  }

  ProcessResult run(const FaultCase& c) {
    ServerRun run;
    run.input = call(1) + call(2) + R"({"jsonrpc":"2.0","id":3,"method":"ping"})" + "\n";
    run.home = scratch_.path();
    run.environment = {shim_variable(),
                       "VESK_FAULT_CALL=" + c.call,
                       "VESK_FAULT_PATH=" + c.path_end,
                       "VESK_FAULT_ERRNO=" + c.error,
                       "VESK_FAULT_NTH=" + std::to_string(c.nth),
                       "VESK_FAULT_LOG=" + log_path(),
                       "VESK_FAULT_DEADLINE=10"};
    return run_server(run);
  }

  // The shim's log lines that begin with `event`, less that word.
  std::vector<std::string> logged(const std::string& event) const {
    std::vector<std::string> lines;
    std::istringstream log(read_file(log_path()));
    for (std::string line; std::getline(log, line);) {
      if (line.starts_with(event + " ")) lines.push_back(line.substr(event.size() + 1));
    }
    return lines;
  }

  std::vector<fs::path> files_ending(const std::string& end) const {
    std::vector<fs::path> found;
    for (const auto& entry : fs::recursive_directory_iterator(data_dir_)) {
      if (entry.path().string().ends_with(end)) found.push_back(entry.path());
    }
    return found;
  }

  ScratchDir scratch_;
  std::string data_dir_;
};

TEST_P(FaultInjection, SaveFailsWholeOrSucceedsWhole) {
  const FaultCase& c = GetParam();
  if (c.loose_modes) loosen_queue_modes();
  ProcessResult result = run(c);

  const bool first_saved = c.event.starts_with("outcome=saved");
  const bool first_off = c.event == "outcome=off";
  const std::string first_text = first_saved ? kSaved : first_off ? kOff : kFailed;
  const std::size_t seeds = first_saved ? 2 : 1;
  EXPECT_EQ(result.out, tool_result(1, first_text, !first_saved) + tool_result(2, kSaved, false) +
                            R"({"id":3,"jsonrpc":"2.0","result":{}})" + "\n");
  EXPECT_EQ(
      result.err,
      event_lines({"ready", "save_story_seed " + c.event,
                   "save_story_seed outcome=saved queued=" + std::to_string(seeds), "closed"}));
  EXPECT_EQ(result.exit_status, 0);

  const std::vector<std::string> faults = logged("failed");
  ASSERT_EQ(faults.size(), 1u) << "the fault was injected " << faults.size() << " times";
  EXPECT_TRUE(faults[0].starts_with(c.call + " ")) << faults[0];
  EXPECT_EQ(logged("leaked"), std::vector<std::string>());

  EXPECT_TRUE(files_ending(".tmp").empty());
  const std::vector<fs::path> seed_files = files_ending(kSeed);
  EXPECT_EQ(seed_files.size(), seeds);
  for (const fs::path& file : seed_files) {
    EXPECT_EQ(file.parent_path(), fs::path(queue()));
    EXPECT_TRUE(std::regex_match(read_file(file), kSeedFile)) << read_file(file);
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all, fs::perms(0600));
  }
}

INSTANTIATE_TEST_SUITE_P(Calls, FaultInjection, ::testing::ValuesIn(all_cases()), CaseName());

}  // namespace
}  // namespace vesk_test
