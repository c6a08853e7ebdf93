// A sequence of request lines (the input split at newline bytes) handled by
// one session with saving off, framed the way the message loop frames them.
// Every response is one line of compact JSON that reads back as a JSON-RPC
// 2.0 response to its request, and each line writes at most one event: one
// line of plain ASCII.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "lib/event_log.h"
#include "lib/json_value.h"
#include "lib/message_loop.h"
#include "lib/program.h"
#include "lib/session.h"
#include "story_seeds/posix_io.h"
#include "story_seeds/text.h"
#include "story_seeds/unique_fd.h"

namespace {

using vesk::JsonValue;

constexpr std::string_view kParseErrorResponse =
    R"({"error":{"code":-32700,"message":"Parse error"},"id":null,"jsonrpc":"2.0"})";

// Catches the events of one message. Both ends are non-blocking: an event
// too long for the pipe shows up as a torn line instead of a hang.
class EventPipe {
 public:
  EventPipe() {
    int fds[2];
    FUZZ_CHECK(pipe(fds) == 0);
    read_end_.reset(fds[0]);
    write_end_.reset(fds[1]);
    FUZZ_CHECK(fcntl(fds[0], F_SETFL, O_NONBLOCK) == 0);
    FUZZ_CHECK(fcntl(fds[1], F_SETFL, O_NONBLOCK) == 0);
  }

  int write_fd() const { return write_end_.get(); }

  std::string drain() {
    std::string bytes;
    char buffer[4096];
    while (true) {
      auto got = story_seeds::read_some(read_end_.get(), buffer, sizeof buffer);
      if (!got.ok()) {
        FUZZ_CHECK(got.error().error_number() == EAGAIN);
        return bytes;
      }
      bytes.append(buffer, got.value());
    }
  }

 private:
  story_seeds::UniqueFd read_end_;
  story_seeds::UniqueFd write_end_;
};

// Notifications and responses sent by the client get no answer; every other
// readable line does.
bool gets_no_answer(const JsonValue& request) {
  if (!request.is_object()) return false;
  const JsonValue* method = request.find("method");
  if (method == nullptr) {
    return request.find("result") != nullptr || request.find("error") != nullptr;
  }
  return method->is_string() && request.find("id") == nullptr;
}

// The id the response must carry: the request's as it came (null when it has
// none), except that a request naming a method gets null for an id that is
// neither a number nor a string.
JsonValue answered_id(const JsonValue& request) {
  if (!request.is_object()) return JsonValue();
  const JsonValue* id = request.find("id");
  if (id == nullptr) return JsonValue();
  const JsonValue* method = request.find("method");
  if (method == nullptr || !method->is_string()) return *id;
  return id->is_number() || id->is_string() ? *id : JsonValue();
}

void check_error_member(const JsonValue& error) {
  FUZZ_CHECK(error.is_object());
  FUZZ_CHECK(error.as_object().size() == 2);
  const JsonValue* code = error.find("code");
  const JsonValue* message = error.find("message");
  FUZZ_CHECK(code != nullptr && code->type() == JsonValue::Type::Integer && code->as_integer() < 0);
  FUZZ_CHECK(message != nullptr && message->is_string());
}

void check_response(const std::optional<JsonValue>& request, const std::string& response) {
  if (!request) {
    FUZZ_CHECK(response == kParseErrorResponse);
    return;
  }
  FUZZ_CHECK(response.empty() == gets_no_answer(*request));
  if (response.empty()) return;

  FUZZ_CHECK(response.find('\n') == std::string::npos);
  std::optional<JsonValue> parsed = JsonValue::parse(response);
  FUZZ_CHECK(parsed && parsed->is_object());
  FUZZ_CHECK(parsed->write() == response);  // compact, keys in byte order
  FUZZ_CHECK(parsed->as_object().size() == 3);
  const JsonValue* jsonrpc = parsed->find("jsonrpc");
  FUZZ_CHECK(jsonrpc != nullptr && jsonrpc->is_string() && jsonrpc->as_string() == "2.0");
  const JsonValue* id = parsed->find("id");
  FUZZ_CHECK(id != nullptr && *id == answered_id(*request));
  if (const JsonValue* error = parsed->find("error")) {
    check_error_member(*error);
  } else {
    FUZZ_CHECK(parsed->find("result") != nullptr);
  }
}

void check_events(bool readable, std::string_view events) {
  if (!readable) {
    FUZZ_CHECK(events == std::string(vesk::PROGRAM_NAME) + ": parse_error\n");
    return;
  }
  if (events.empty()) return;
  const std::string prefix = std::string(vesk::PROGRAM_NAME) + ": ";
  FUZZ_CHECK(events.substr(0, prefix.size()) == prefix);
  FUZZ_CHECK(events.size() > prefix.size() + 1 && events.back() == '\n');
  events.remove_suffix(1);
  for (char c : events)
    FUZZ_CHECK(c >= 0x20 && c <= 0x7E);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static EventPipe event_pipe;
  vesk::EventLog events(event_pipe.write_fd());
  vesk::Session session;  // no data directory: saving is off and nothing touches the disk
  std::string response;
  std::string_view input(reinterpret_cast<const char*>(data), size);
  while (!input.empty()) {
    std::size_t newline = input.find('\n');
    std::string_view raw = input.substr(0, newline);
    input.remove_prefix(newline == std::string_view::npos ? input.size() : newline + 1);

    const std::string decoded = story_seeds::replace_invalid_utf8(raw);
    std::string_view line = story_seeds::trim_white_space(decoded);
    if (line.empty()) continue;
    vesk::handle_message(session, line, events, response);
    const std::optional<JsonValue> request = JsonValue::parse(line);
    check_events(request.has_value(), event_pipe.drain());
    check_response(request, response);
  }
  return 0;
}
