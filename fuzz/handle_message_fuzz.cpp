// Request lines, framed as the message loop frames them, answered by one
// session with saving off: each answer is one compact JSON-RPC 2.0 response
// with the id it owes, and each message logs at most one plain ASCII line.
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "lib/json_value.h"
#include "lib/message_loop.h"
#include "story_seeds/text.h"

namespace {

using vesk::JsonValue;

constexpr std::string_view kPrefix = "vesk-desktop-mcp: ";

// What the last message logged; the event file is emptied for the next one.
std::string take_events(int fd) {
  std::string events(static_cast<std::size_t>(lseek(fd, 0, SEEK_CUR)), '\0');
  FUZZ_CHECK(pread(fd, events.data(), events.size(), 0) == static_cast<ssize_t>(events.size()));
  FUZZ_CHECK(ftruncate(fd, 0) == 0 && lseek(fd, 0, SEEK_SET) == 0);
  return events;
}

void check_answer(const JsonValue& request, const std::string& response) {
  const JsonValue* id = request.find("id");
  const JsonValue* method = request.find("method");
  const bool named = method && method->is_string();
  // Notifications and the client's own responses go unanswered.
  if (request.is_object() &&
      (named ? !id : !method && (request.find("result") || request.find("error")))) {
    return FUZZ_CHECK(response.empty());
  }
  // A request naming a method gets a null id for one neither number nor string.
  const JsonValue owed = id && (!named || id->is_number() || id->is_string()) ? *id : JsonValue();
  const std::optional<JsonValue> parsed = JsonValue::parse(response);
  FUZZ_CHECK(parsed && parsed->find("id") && *parsed->find("id") == owed &&
             parsed->write() == response);
  const JsonValue* jsonrpc = parsed->find("jsonrpc");
  FUZZ_CHECK(parsed->as_object().size() == 3 && jsonrpc && *jsonrpc == JsonValue::string("2.0"));
  const JsonValue* error = parsed->find("error");
  const JsonValue* code = parsed->at_pointer("/error/code");
  const JsonValue* message = parsed->at_pointer("/error/message");
  FUZZ_CHECK(error ? code && message && error->as_object().size() == 2 && message->is_string() &&
                         code->type() == JsonValue::Type::Integer && code->as_integer() < 0
                   : parsed->find("result") != nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static vesk::EventLog events(fileno(std::tmpfile()));
  vesk::Session session;  // no data directory: saving is off, the disk is never touched
  std::string response;
  std::string_view input(reinterpret_cast<const char*>(data), size);
  while (!input.empty()) {
    const std::size_t newline = std::min(input.find('\n'), input.size());
    const std::string decoded = story_seeds::replace_invalid_utf8(input.substr(0, newline));
    input.remove_prefix(std::min(newline + 1, input.size()));
    const std::string_view line = story_seeds::trim_white_space(decoded);
    if (line.empty()) continue;
    vesk::handle_message(session, line, events, response);
    const std::optional<JsonValue> request = JsonValue::parse(line);
    // An unreadable line is answered as one that is not an object: an error, id null.
    check_answer(request.value_or(JsonValue()), response);
    const std::string logged = take_events(events.fd());
    FUZZ_CHECK(request || logged == std::string(kPrefix) + "parse_error\n");
    FUZZ_CHECK(logged.empty() ||
               (logged.starts_with(kPrefix) && logged.find('\n') == logged.size() - 1 &&
                std::all_of(logged.begin(), logged.end() - 1,
                            [](char c) { return c >= 0x20 && c <= 0x7E; })));
  }
  return 0;
}
