// save_story_seed through the binary, with a scratch HOME standing in for the
// member's Mac.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "lib/json_value.h"
#include "save_outcomes.h"
#include "server_process.h"
#include "story_seeds/seed.h"

namespace vesk_test {
namespace {

namespace fs = std::filesystem;

std::string repeat(const std::string& piece, int times) {
  std::string out;
  for (int i = 0; i < times; ++i)
    out += piece;
  return out;
}

std::string quoted(const std::string& text) {
  return vesk::JsonValue::string(text).write();
}

std::string tool_result(const std::string& text, bool is_error) {
  return vesk_test::tool_result(1, text, is_error);
}

std::string call(const std::string& arguments_member) {
  return R"({"jsonrpc":"2.0","id":1,"method":"tools/call","params":{"name":"save_story_seed")" +
         arguments_member + "}}\n";
}

std::string args(const std::string& object) {
  return R"(,"arguments":)" + object;
}

// A HOME whose desktop app has switched saving on for kOuter/kInner.
class ToolCall : public ::testing::Test {
 protected:
  void SetUp() override {
    data_dir_ = scratch_.path() + "/Library/Application Support/team.vesk.desktop";
    fs::create_directories(data_dir_);
    write_marker(" " + kOuter + "/" + kInner + "\n");
  }

  void write_marker(const std::string& text) {
    std::ofstream(data_dir_ + "/stories-sources.enabled") << text;
  }
  std::string queue() const { return data_dir_ + "/story-seeds/" + kOuter + "/" + kInner; }

  ProcessResult run(const std::string& input) {
    ServerRun run;
    run.input = input;
    run.home = scratch_.path();
    return run_server(run);
  }

  std::vector<fs::path> queued_files() const {
    std::vector<fs::path> files;
    if (!fs::exists(queue())) return files;
    for (const auto& entry : fs::directory_iterator(queue()))
      files.push_back(entry.path());
    return files;
  }

  void add_seed_files(int count) {
    fs::create_directories(queue());
    for (int i = 0; i < count; ++i) {
      std::ofstream(queue() + "/" + story_seeds::new_seed_id() + ".json") << "{}";
    }
  }

  ScratchDir scratch_;
  std::string data_dir_;
};

struct ArgumentCase {
  const char* name;
  std::string arguments;  // the "arguments" member, or empty for none
  std::string message;    // empty: saved
  std::string reason;     // event reason for a refusal
};

class Arguments : public ToolCall, public ::testing::WithParamInterface<ArgumentCase> {};

TEST_P(Arguments, AreCheckedInOrder) {
  const ArgumentCase& c = GetParam();
  ProcessResult result = run(call(c.arguments));
  bool saved = c.message.empty();
  EXPECT_EQ(result.out, tool_result(saved ? kSaved : c.message, !saved));
  std::string event = saved ? "save_story_seed outcome=saved queued=1"
                            : "save_story_seed outcome=invalid reason=" + c.reason;
  EXPECT_EQ(result.err, event_lines({"ready", event, "closed"}));
  EXPECT_EQ(queued_files().size(), saved ? 1u : 0u);
}

const std::string kWhat = R"("what_happened":"w")";
const std::string kTitle120 = repeat("t", 120);
const std::string kFourByte = "\U0001F600";

INSTANTIATE_TEST_SUITE_P(
    Cases, Arguments,
    ::testing::Values(
        ArgumentCase{"none", "", "`title` is required and can't be blank.", "arguments"},
        ArgumentCase{"null", args("null"), "`title` is required and can't be blank.", "arguments"},
        ArgumentCase{"array", args("[]"),
                     "Arguments must be an object with `title` and `what_happened`.", "arguments"},
        ArgumentCase{"title_number", args(R"({"title":5})"), "`title` must be a string.",
                     "arguments"},
        ArgumentCase{"what_missing", args(R"({"title":"t"})"),
                     "`what_happened` is required and can't be blank.", "arguments"},
        ArgumentCase{"what_number", args(R"({"title":"t","what_happened":3})"),
                     "`what_happened` must be a string.", "arguments"},
        ArgumentCase{"why_false", args(R"({"title":"t",)" + kWhat + R"(,"why_it_mattered":false})"),
                     "`why_it_mattered` must be a string.", "arguments"},
        ArgumentCase{"questions_number_beats_blank_title",
                     args(R"({"title":" ",)" + kWhat + R"(,"open_questions":7})"),
                     "`open_questions` must be a list of strings.", "arguments"},
        ArgumentCase{"questions_with_null",
                     args(R"({"title":"t",)" + kWhat + R"(,"open_questions":["a",null]})"),
                     "`open_questions` must be a list of strings.", "arguments"},
        ArgumentCase{"title_blank", args(R"({"title":" \t\u3000",)" + kWhat + "}"),
                     "`title` is required and can't be blank.", "missing"},
        ArgumentCase{"title_empty", args(R"({"title":"",)" + kWhat + "}"),
                     "`title` is required and can't be blank.", "missing"},
        ArgumentCase{"what_blank", args(R"({"title":"t","what_happened":"\n"})"),
                     "`what_happened` is required and can't be blank.", "missing"},
        ArgumentCase{"title_121", args(R"({"title":")" + kTitle120 + "x\"," + kWhat + "}"),
                     "`title` is longer than 120 characters. Shorten it and save again — nothing "
                     "was cut or saved.",
                     "too_long"},
        ArgumentCase{
            "six_questions",
            args(R"({"title":"t",)" + kWhat + R"(,"open_questions":["1","2","3","4","5","6"]})"),
            "`open_questions` has more than 5 items. Keep the 5 that matter most and save "
            "again.",
            "too_many_questions"},
        ArgumentCase{"question_201",
                     args(R"({"title":"t",)" + kWhat + R"(,"open_questions":[")" +
                          repeat("q", 201) + "\"]}"),
                     "`open_questions` is longer than 200 characters. Shorten it and save again — "
                     "nothing was cut or saved.",
                     "too_long"},
        ArgumentCase{"title_120_with_spaces",
                     args(R"({"title":"  )" + kTitle120 + "  \"," + kWhat + "}"), "", ""},
        ArgumentCase{"title_120_four_byte",
                     args(R"({"title":")" + repeat(kFourByte, 120) + "\"," + kWhat + "}"), "", ""},
        ArgumentCase{
            "six_questions_one_blank",
            args(R"({"title":"t",)" + kWhat + R"(,"open_questions":["1"," ","3","4","5","6"]})"),
            "", ""},
        ArgumentCase{"null_optionals",
                     args(R"({"title":"t",)" + kWhat +
                          R"(,"why_it_mattered":null,"open_questions":null,"extra":1})"),
                     "", ""},
        ArgumentCase{"empty_questions",
                     args(R"({"title":"t",)" + kWhat + R"(,"open_questions":[]})"), "", ""}),
    CaseName());

TEST_F(ToolCall, SavedSeedCarriesTrimmedTextsAndTheAgent) {
  ProcessResult result = run(
      R"({"id":0,"method":"initialize","params":{"clientInfo":{"name":"codex-mcp-client"}}})"
      "\n" +
      call(args(
          R"({"title":"  Fix \"retries\"\t","what_happened":"a/b\u0001","open_questions":["  q1 ","","\u2003","q2"]})")));
  EXPECT_EQ(result.err, event_lines({"ready", "initialize agent=codex",
                                     "save_story_seed outcome=saved queued=1", "closed"}));
  auto files = queued_files();
  ASSERT_EQ(files.size(), 1u);
  std::string name = files[0].filename().string();
  ASSERT_EQ(name.size(), 31u);
  EXPECT_TRUE(story_seeds::is_seed_id(name.substr(0, 26)));
  EXPECT_EQ(name.substr(26), ".json");
  std::stringstream content;
  content << std::ifstream(files[0]).rdbuf();
  EXPECT_TRUE(std::regex_match(
      content.str(),
      std::regex(R"(\{"version":1,"title":"Fix \\"retries\\"","what_happened":"a/b\\u0001",)"
                 R"("why_it_mattered":"","open_questions":\["q1","q2"\],)"
                 R"("created_at":"\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ","agent":"codex"\})")))
      << content.str();
  struct stat info {};
  ASSERT_EQ(stat(files[0].c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST_F(ToolCall, SizeLimitIsOnTheSerialisedSeed) {
  // Control characters are written as six-byte escapes, so a seed within
  // every character limit can still be too large for the queue.
  story_seeds::SeedDraft probe;
  probe.title = "t";
  probe.what_happened = "w";
  probe.created_at = "2000-01-01T00:00:00Z";
  const std::size_t overhead = story_seeds::serialize_seed(probe).size() - 1;  // less the "w"
  auto call_with_size = [&](std::size_t bytes) {
    const int what_escapes = 1900;
    std::size_t rest = bytes - overhead - 6 * what_escapes;
    std::size_t why_escapes = (rest - 2) / 6;
    std::size_t plain = rest - 6 * why_escapes;
    std::string what = repeat("w", static_cast<int>(plain)) + repeat("\\u0001", what_escapes);
    std::string why = repeat("\\u0001", static_cast<int>(why_escapes));
    return call(args(R"({"title":"t","what_happened":")" + what + R"(","why_it_mattered":")" + why +
                     "\"}"));
  };
  ProcessResult result = run(call_with_size(16385) + call_with_size(16384));
  EXPECT_EQ(result.out, tool_result("This seed is too large to store. Shorten `what_happened` or "
                                    "`why_it_mattered` and save again.",
                                    true) +
                            tool_result(kSaved, false));
  EXPECT_EQ(result.err, event_lines({"ready", "save_story_seed outcome=invalid reason=too_large",
                                     "save_story_seed outcome=saved queued=1", "closed"}));
  ASSERT_EQ(queued_files().size(), 1u);
  EXPECT_EQ(fs::file_size(queued_files()[0]), 16384u);
}

TEST_F(ToolCall, OffWithoutExaminingArguments) {
  const std::string bad_call = call(args("7"));
  struct Case {
    const char* name;
    std::optional<std::string> home;
    std::string marker;
  };
  const std::vector<Case> cases = {
      {"no_home", std::nullopt, ""},
      {"relative_home", "relative/home", ""},
      {"no_marker", scratch_.path(), ""},
      {"space_beside_slash", scratch_.path(), kOuter + " /" + kInner},
      {"not_an_id", scratch_.path(), kOuter + "/" + kInner + "X"},
  };
  for (const Case& c : cases) {
    fs::remove(data_dir_ + "/stories-sources.enabled");
    if (!c.marker.empty()) write_marker(c.marker);
    ServerRun run;
    run.input = bad_call;
    run.home = c.home;
    ProcessResult result = run_server(run);
    EXPECT_EQ(result.out, tool_result(kOff, true)) << c.name;
    EXPECT_EQ(result.err, event_lines({"ready", "save_story_seed outcome=off", "closed"}))
        << c.name;
  }
  EXPECT_FALSE(fs::exists(data_dir_ + "/story-seeds"));
}

TEST_F(ToolCall, CountsTheQueueAfterSavingAndStopsAtFifty) {
  const std::string good = call(args(R"({"title":"t",)" + kWhat + "}"));
  add_seed_files(3);
  ProcessResult result = run(good);
  EXPECT_EQ(result.err, event_lines({"ready", "save_story_seed outcome=saved queued=4", "closed"}));
  add_seed_files(44);
  result = run(good + good + good);
  EXPECT_EQ(result.out,
            tool_result(kSaved, false) + tool_result(kSaved, false) + tool_result(kFull, true));
  EXPECT_EQ(result.err, event_lines({"ready", "save_story_seed outcome=saved queued=49",
                                     "save_story_seed outcome=saved queued=50",
                                     "save_story_seed outcome=full", "closed"}));
  EXPECT_EQ(queued_files().size(), 50u);
}

TEST_F(ToolCall, FailuresTellOnlyTheirKind) {
  const std::string good = call(args(R"({"title":"t",)" + kWhat + "}"));
  struct Case {
    const char* name;
    void (*make_obstacle)(const std::string& data_dir);
    std::string kind;
  };
  const std::vector<Case> cases = {
      {"seeds_folder_is_a_file",
       [](const std::string& dir) { std::ofstream(dir + "/story-seeds") << "x"; }, "AlreadyExists"},
      {"seeds_folder_is_a_symlink",
       [](const std::string& dir) {
         fs::create_directory(dir + "/elsewhere");
         fs::create_directory_symlink(dir + "/elsewhere", dir + "/story-seeds");
       },
       "InvalidInput"},
      {"lock_file_is_a_directory",
       [](const std::string& dir) { fs::create_directory(dir + "/stories-sources.lock"); },
       "IsADirectory"},
  };
  for (const Case& c : cases) {
    fs::remove_all(data_dir_ + "/story-seeds");
    fs::remove_all(data_dir_ + "/elsewhere");
    fs::remove_all(data_dir_ + "/stories-sources.lock");
    c.make_obstacle(data_dir_);
    ProcessResult result = run(good);
    EXPECT_EQ(result.out, tool_result(kFailed, true)) << c.name;
    EXPECT_EQ(result.err,
              event_lines({"ready", "save_story_seed outcome=failed kind=" + c.kind, "closed"}))
        << c.name;
  }
}

TEST_F(ToolCall, RequestErrorsComeBeforeTheTool) {
  const std::string seventy(70, 'z');
  const std::string input = R"({"id":1,"method":"tools/call"})"
                            "\n"
                            R"({"id":2,"method":"tools/call","params":[]})"
                            "\n"
                            R"({"id":3,"method":"tools/call","params":{"name":7}})"
                            "\n"
                            R"({"id":4,"method":"tools/call","params":{}})"
                            "\n"
                            R"({"id":5,"method":"tools/call","params":{"name":"Save_story_seed"}})"
                            "\n"
                            R"({"id":6,"method":"tools/call","params":{"name":")" +
                            seventy + "\"}}\n" +
                            R"({"id":7,"method":"tools/call","params":{"name":""}})"
                            "\n";
  auto error = [](int id, const std::string& message) {
    return R"({"error":{"code":-32602,"message":)" + quoted(message) + R"(},"id":)" +
           std::to_string(id) + R"(,"jsonrpc":"2.0"})" + "\n";
  };
  ProcessResult result = run(input);
  EXPECT_EQ(result.out,
            error(1, "params must be an object") + error(2, "params must be an object") +
                error(3, "params.name is required") + error(4, "params.name is required") +
                error(5, "Unknown tool: Save_story_seed") +
                error(6, "Unknown tool: " + seventy.substr(0, 64)) + error(7, "Unknown tool: "));
  EXPECT_EQ(result.err,
            event_lines({"ready", "unknown_tool", "unknown_tool", "unknown_tool", "closed"}));
}

}  // namespace
}  // namespace vesk_test
