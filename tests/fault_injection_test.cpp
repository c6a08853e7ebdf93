// Each system call on the save path made to fail once, by strace, in the built
// binary, which carries no test hooks. Every case saves twice in one session
// and then pings: the first save meets the fault, the second shows that the
// lock was let go and that the queue counts right, the ping that the server
// still answers. Each case is a transcript (see transcript.h).
#include "transcript.h"

namespace vesk_test {
namespace {

struct Fault {
  std::string call;   // "SYSCALL N ERROR REGEX" for the transcript's fault line
  std::string first;  // what the first save logs after "save_story_seed "
};

const Fault kFaults[] = {
    // A call the save cannot do without. Each folder of the queue goes through
    // the same steps as the innermost, 0A; only the data folder needs a chmod.
    {R"(mkdir 1 ENOSPC desktop")", "outcome=failed kind=StorageFull"},
    {R"(newfstatat 2 EIO desktop")", "outcome=failed kind=InputOutputError"},
    {R"(chmod 1 EDQUOT desktop")", "outcome=failed kind=QuotaExceeded"},
    {R"(openat 1 EROFS lock")", "outcome=failed kind=ReadOnlyFilesystem"},
    {"flock 1 EIO LOCK_EX", "outcome=failed kind=InputOutputError"},
    {R"(mkdir 1 EROFS 0A")", "outcome=failed kind=ReadOnlyFilesystem"},
    {R"(newfstatat 1 EIO 0A")", "outcome=failed kind=InputOutputError"},
    {R"(openat 1 EIO 0A")", "outcome=failed kind=InputOutputError"},
    {"newfstatat 1 EIO 0A>", "outcome=failed kind=InputOutputError"},
    {"getdents64 1 EIO 0A>", "outcome=failed kind=InputOutputError"},
    {R"(openat 1 ENOSPC tmp")", "outcome=failed kind=StorageFull"},
    {"write 1 EDQUOT tmp>", "outcome=failed kind=QuotaExceeded"},
    {"write 1 retval=0 tmp>", "outcome=failed kind=WriteZero"},
    {"fsync 1 EIO tmp>", "outcome=failed kind=InputOutputError"},
    {R"(rename 1 EROFS tmp")", "outcome=failed kind=ReadOnlyFilesystem"},
    // stat only decides whether mkdir's EEXIST stands; the EEXIST is reported.
    {R"(newfstatat 1 EIO desktop")", "outcome=failed kind=AlreadyExists"},
    // Failures the save retries, gets past, or takes as saving switched off.
    {"flock 1 EINTR LOCK_EX", "outcome=saved queued=1"},
    {"flock 1 EIO LOCK_UN", "outcome=saved queued=1"},
    {"close 1 EIO lock>", "outcome=saved queued=1"},
    {R"(chmod 1 EINTR desktop")", "outcome=saved queued=1"},
    {R"(newfstatat 1 EIO json")", "outcome=saved queued=1"},
    {R"(unlink 1 EIO tmp")", "outcome=saved queued=1"},
    {"write 1 EINTR tmp>", "outcome=saved queued=1"},
    {"fsync 1 EINTR tmp>", "outcome=saved queued=1"},
    {"close 1 EIO tmp>", "outcome=saved queued=1"},
    {R"(openat 2 EIO 0A")", "outcome=saved queued=1"},
    {"fsync 1 EIO 0A>", "outcome=saved queued=1"},
    {R"(openat 3 EIO 0A")", "outcome=saved queued=0"},
    {"read 1 EINTR enabled>", "outcome=saved queued=1"},
    {"read 1 EIO enabled>", "outcome=off"},
    {"newfstatat 1 EIO enabled>", "outcome=off"},
    {R"(newfstatat 2 EIO enabled")", "outcome=off"},
};

void PrintTo(const Fault& fault, std::ostream* out) {
  *out << fault.call;
}

// The session every fault meets; the lines that differ are added to it.
const std::string kSession = R"(
let CALL "method":"tools/call","params":{"name":"save_story_seed","arguments":{"title":"Retries","what_happened":"Queued jobs retry after a disk error."}}}
let SAVED Saved on this Mac. Review it in vesk → Story sources.
let SEED {"version":1,"title":"Retries","what_happened":"Queued jobs retry after a disk error.","why_it_mattered":"","open_questions":[],"created_at":"TIME","agent":"unknown"}
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

std::string transcript(const Fault& fault) {
  const bool saved = fault.first.starts_with("outcome=saved");
  const std::string text = saved ? "Saved on this Mac. Review it in vesk → Story sources."
                           : fault.first == "outcome=off"
                               ? "Story sources are off in vesk"
                               : "vesk couldn't save this seed on this Mac. Nothing was saved.";
  return "let TEXT " + text + "\nlet ERROR " + (saved ? "false" : "true") + "\nlet FIRST " +
         fault.first + "\nlet QUEUED " + (saved ? "2" : "1") + kSession + "fault " + fault.call +
         "\n" + (saved ? "seed {{SEED}}\n" : "");
}

class FaultInjection : public ::testing::TestWithParam<Fault> {};

TEST_P(FaultInjection, SaveFailsWholeOrSucceedsWhole) {
  if (system("strace -V >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "needs strace, which is Linux's and is not installed here";
  }
  TranscriptRunner().run(transcript(GetParam()), GetParam().call);
}

INSTANTIATE_TEST_SUITE_P(Calls, FaultInjection, ::testing::ValuesIn(kFaults));

}  // namespace
}  // namespace vesk_test
