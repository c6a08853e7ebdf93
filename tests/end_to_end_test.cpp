// Every transcript in transcripts/ and the example in story_seeds/FORMAT.md;
// then, under strace, in sessions of two saves and a ping, each system call on
// the save path failed once (the second save shows the lock let go) and each
// stop signal raised during a save or its wait for the lock.
#include "transcript.h"

namespace vesk_test {
namespace {

class Transcript : public ::testing::TestWithParam<std::string> {};

TEST_P(Transcript, Holds) {
  TranscriptRunner().run(read_file(fs::path(VESK_TRANSCRIPTS) / (GetParam() + ".txt")), GetParam());
}

std::vector<std::string> transcript_names() {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(VESK_TRANSCRIPTS))
    names.push_back(entry.path().stem().string());
  std::sort(names.begin(), names.end());
  return names;
}

INSTANTIATE_TEST_SUITE_P(Files, Transcript, ::testing::ValuesIn(transcript_names()),
                         [](const auto& file) { return file.param; });

// The example in story_seeds/FORMAT.md, its request lines then its seed file,
// run as a transcript; the answer to initialize is session.txt's.
TEST(FormatDoc, ExampleIsWhatTheServerWrites) {
  const std::string doc = read_file(VESK_TRANSCRIPTS "/../../story_seeds/FORMAT.md");
  const std::regex blocks(
      R"(\n## Example\n[\s\S]*?```json\n([\s\S]*?)\n```[\s\S]*?```json\n(.*)\n```)");
  std::smatch example;
  ASSERT_TRUE(std::regex_search(doc, example, blocks));
  std::string text;
  for (const std::string& line : lines_of(read_file(VESK_TRANSCRIPTS "/session.txt")))
    if (line.starts_with("let ")) text += line + "\n";
  text += "=== the example\nmarker\n> " +
          std::regex_replace(example[1].str(), std::regex("\n"), "\n> ") + R"(
< {"id":0,"jsonrpc":"2.0","result":{{INIT_HEAD}}"2025-06-18"{{INIT_TAIL}}}
< {"id":1,"jsonrpc":"2.0","result":{"content":[{"text":"Saved on this Mac. Review it in vesk → Story sources.","type":"text"}],"isError":false}}
! initialize agent=claude-code
! save_story_seed outcome=saved queued=1
seed )" +
          std::regex_replace(example[2].str(), std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ)"),
                             "TIME");
  TranscriptRunner().run(text, "FORMAT.md");
}

// "SYSCALL N ERROR REGEX | what the first save logs after save_story_seed"
const std::string kFaults[] = {
    // A call the save cannot do without. Each folder of the queue goes through
    // the same steps as the innermost, 0A; only the data folder needs a chmod.
    R"(mkdir 1 ENOSPC desktop" | outcome=failed kind=StorageFull)",
    R"(newfstatat 2 EIO desktop" | outcome=failed kind=InputOutputError)",
    R"(chmod 1 EDQUOT desktop" | outcome=failed kind=QuotaExceeded)",
    R"(openat 1 EROFS lock" | outcome=failed kind=ReadOnlyFilesystem)",
    R"(flock 1 EIO LOCK_EX | outcome=failed kind=InputOutputError)",
    R"(mkdir 1 EROFS 0A" | outcome=failed kind=ReadOnlyFilesystem)",
    R"(newfstatat 1 EIO 0A" | outcome=failed kind=InputOutputError)",
    R"(openat 1 EIO 0A" | outcome=failed kind=InputOutputError)",
    R"(newfstatat 1 EIO 0A> | outcome=failed kind=InputOutputError)",
    R"(getdents64 1 EIO 0A> | outcome=failed kind=InputOutputError)",
    R"(openat 1 ENOSPC tmp" | outcome=failed kind=StorageFull)",
    R"(write 1 EDQUOT tmp> | outcome=failed kind=QuotaExceeded)",
    R"(write 1 retval=0 tmp> | outcome=failed kind=WriteZero)",
    R"(fsync 1 EIO tmp> | outcome=failed kind=InputOutputError)",
    R"(rename 1 EROFS tmp" | outcome=failed kind=ReadOnlyFilesystem)",
    // stat only decides whether mkdir's EEXIST stands; the EEXIST is reported.
    R"(newfstatat 1 EIO desktop" | outcome=failed kind=AlreadyExists)",
    // Failures the save retries, gets past, or takes as saving switched off.
    R"(flock 1 EINTR LOCK_EX | outcome=saved queued=1)",
    R"(flock 1 EIO LOCK_UN | outcome=saved queued=1)",
    R"(close 1 EIO lock> | outcome=saved queued=1)",
    R"(chmod 1 EINTR desktop" | outcome=saved queued=1)",
    R"(newfstatat 1 EIO json" | outcome=saved queued=1)",
    R"(unlink 1 EIO tmp" | outcome=saved queued=1)",
    R"(write 1 EINTR tmp> | outcome=saved queued=1)",
    R"(close 1 EIO tmp> | outcome=saved queued=1)",
    R"(openat 2 EIO 0A" | outcome=saved queued=1)",
    R"(fsync 1 EIO 0A> | outcome=saved queued=1)",
    R"(openat 3 EIO 0A" | outcome=saved queued=0)",
    R"(read 1 EIO enabled> | outcome=off)",
    R"(newfstatat 1 EIO enabled> | outcome=off)",
    R"(newfstatat 2 EIO enabled" | outcome=off)",
};

// The session every fault meets; the lines that differ go between the two.
const std::string kDefinitions = R"(
let CALL "method":"tools/call","params":{"name":"save_story_seed","arguments":{"title":"Retries","what_happened":"Queued jobs retry after a disk error."}}}
let SAVED Saved on this Mac. Review it in vesk → Story sources.
let SEED {"version":1,"title":"Retries","what_happened":"Queued jobs retry after a disk error.","why_it_mattered":"","open_questions":[],"created_at":"TIME","agent":"unknown"}
)";
const std::string kSession = R"(
=== two saves and a ping
marker
> {"id":1,{{CALL}}
> {"id":2,{{CALL}}
> {"id":3,"method":"ping"}
< {"id":1,"jsonrpc":"2.0","result":{"content":[{"text":"{{TEXT}}","type":"text"}],"isError":{{ERROR}}}}
< {"id":2,"jsonrpc":"2.0","result":{"content":[{"text":"{{SAVED}}","type":"text"}],"isError":false}}
< {"id":3,"jsonrpc":"2.0","result":{}}
! save_story_seed {{FIRST}}
! save_story_seed outcome=saved queued={{QUEUED}}
seed {{SEED}}
)";

std::string transcript(const std::string& fault) {
  const std::string call = fault.substr(0, fault.find(" | ")),
                    first = fault.substr(call.size() + 3);
  const bool saved = first.starts_with("outcome=saved");
  const std::string text = saved                    ? "{{SAVED}}"
                           : first == "outcome=off" ? "Story sources are off in vesk"
                                                    : "vesk couldn't save this seed on this Mac. "
                                                      "Nothing was saved.";
  return kDefinitions + "let TEXT " + text + "\nlet ERROR " + (saved ? "false" : "true") +
         "\nlet FIRST " + first + "\nlet QUEUED " + (saved ? "2" : "1") + kSession + "fault " +
         call + "\n" + (saved ? "seed {{SEED}}\n" : "");
}

// A stop signal raised as a save starts to flush its seed file (the first
// fsync, or the third for the second save): that save is answered and its
// seed whole, then the signal ends the server.
const std::string kStopped = R"(
=== a stop signal during a save
marker
> {"id":1,{{CALL}}
> {"id":2,{{CALL}}
> {"id":3,"method":"ping"}
< {"id":1,"jsonrpc":"2.0","result":{"content":[{"text":"{{SAVED}}","type":"text"}],"isError":false}}
! save_story_seed outcome=saved queued=1
seed {{SEED}}
)";
const std::string kSecondSaved = R"(
< {"id":2,"jsonrpc":"2.0","result":{"content":[{"text":"{{SAVED}}","type":"text"}],"isError":false}}
! save_story_seed outcome=saved queued=2
)";

TEST(StopSignal, WaitsForTheSaveAndItsAnswer) {
  for (const auto& [name, status, fsync] :
       {std::tuple{"TERM", "143", "1"}, {"INT", "130", "3"}, {"HUP", "129", "3"}}) {
    const std::string second = fsync == std::string("3") ? kSecondSaved : "";
    const std::string signal =
        std::string("signal ") + name + " fsync " + fsync + "\nexit " + status;
    TranscriptRunner().run(kDefinitions + kStopped + second + signal, name);
  }
}

// Before the lock is held nothing has been written, and the wait for it has no
// bound: there a stop signal ends the server at once.
TEST(StopSignal, EndsAWaitForTheLock) {
  TranscriptRunner().run(kDefinitions + R"(
=== a stop signal while a save waits for the lock
marker
> {"id":1,{{CALL}}
signal TERM flock 1
exit 143
)",
                         "lock");
}

class FaultInjection : public ::testing::TestWithParam<std::string> {};

TEST_P(FaultInjection, SaveFailsWholeOrSucceedsWhole) {
  TranscriptRunner().run(transcript(GetParam()), GetParam());
}

INSTANTIATE_TEST_SUITE_P(Calls, FaultInjection, ::testing::ValuesIn(kFaults));

}  // namespace
}  // namespace vesk_test
