// Any bytes, first as one JSON text, then as request lines through one session
// with saving switched on in a scratch home, in either era.
// - A text that parses is written as text that parses back (no string in it
//   holds a raw control character) to an equal value and the same text; any
//   text put in a seed file, whose JSON writer is its own, reads back unchanged.
// - An answer is one line of compact JSON, with "resultType" in a result and
//   "data" in an error only for a modern request, which also leaves the
//   session's agent alone.
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>  // mkdtemp, which macOS declares here

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "fuzz_check.h"
#include "lib/json_value.h"
#include "lib/message_loop.h"
#include "lib/stop_signals.h"
#include "story_seeds/seed.h"
#include "story_seeds/text.h"

using vesk::JsonValue;

// One per process, removed at exit; once its queue is full, saves meet a full queue.
std::optional<std::string> scratch_data_dir() {
  static std::string home = (std::filesystem::temp_directory_path() / "vesk-fuzz-XXXXXX").string();
  FUZZ_CHECK(mkdtemp(home.data()) && !std::atexit([] { std::filesystem::remove_all(home); }));
  const auto data_dir = vesk::data_dir_from_home(home.c_str());
  std::filesystem::create_directories(*data_dir);
  std::ofstream(*data_dir + "/stories-sources.enabled")
      << "01JBQ7ZK3V9W2X4Y5Z6A7B8C9D/01JBQ80000000000000000000A";
  return data_dir;
}

void check_json_text(std::string_view text) {
  story_seeds::SeedDraft draft;
  draft.title = story_seeds::replace_invalid_utf8(text);
  const std::optional<JsonValue> seed = JsonValue::parse(story_seeds::serialize_seed(draft));
  FUZZ_CHECK(seed && seed->find("title") && *seed->find("title") == JsonValue::string(draft.title));
  const std::optional<JsonValue> value = JsonValue::parse(text);
  if (!value) return;
  const std::string written = value->write();
  const std::optional<JsonValue> reread = JsonValue::parse(written);
  FUZZ_CHECK(reread && *reread == *value && reread->write() == written);
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static vesk::EventLog events(open("/dev/null", O_WRONLY | O_CLOEXEC));
  static const std::optional<std::string> data_dir = scratch_data_dir();
  std::string_view input(reinterpret_cast<const char*>(data), size);
  check_json_text(input);
  vesk::Session session{data_dir};
  std::string response;
  for (std::size_t end = 0; !input.empty(); input.remove_prefix(std::min(end + 1, input.size()))) {
    end = std::min(input.find('\n'), input.size());
    const std::string line = story_seeds::replace_invalid_utf8(input.substr(0, end));
    const std::string_view text = story_seeds::trim_white_space(line);
    if (text.empty()) continue;
    const story_seeds::AgentId agent = session.agent;
    vesk::handle_message(session, text, events, response);
    vesk::release_stop_signals();  // as the message loop does, so Ctrl-C still stops the run
    const auto request = JsonValue::parse(text);
    const bool modern =
        request && request->at_pointer("/params/_meta/io.modelcontextprotocol~1protocolVersion");
    FUZZ_CHECK(!modern || session.agent == agent);
    if (response.empty()) continue;
    const auto answer = JsonValue::parse(response);
    FUZZ_CHECK(answer && answer->write() == response);
    FUZZ_CHECK(answer->find("error") ? modern || !answer->at_pointer("/error/data")
                                     : modern == !!answer->at_pointer("/result/resultType"));
  }
  return 0;
}
