#include "lib/message_loop.h"

#include <optional>

#include "lib/json_value.h"
#include "lib/jsonrpc.h"
#include "lib/mcp/catalogue.h"
#include "lib/mcp/discover.h"
#include "lib/mcp/era.h"
#include "lib/mcp/initialize.h"
#include "lib/mcp/request_meta.h"
#include "lib/mcp/tool_call.h"
#include "lib/stop_signals.h"
#include "story_seeds/posix_io.h"
#include "story_seeds/text.h"

namespace vesk {

namespace {

// The answer to every unreadable line never changes, so it is written once.
const std::string& parse_error_text() {
  static const std::string text = error_response(JsonValue(), kParseError, "Parse error").write();
  return text;
}

JsonValue invalid_request(EventLog& events, JsonValue id) {
  log_event(events, "invalid_request");
  return error_response(std::move(id), kInvalidRequest, "Invalid Request");
}

JsonValue from_handler(HandlerResult outcome, JsonValue id) {
  if (auto* failure = std::get_if<HandlerFailure>(&outcome)) {
    return error_response(std::move(id), kInvalidParams, std::move(failure->message));
  }
  return result_response(std::move(id), std::move(std::get<JsonValue>(outcome)));
}

// The methods both eras share, then each era's own: ping and initialize were
// dropped from the modern revision, which added server/discover.
JsonValue route(Session& session, std::string_view method, const JsonValue& params, JsonValue id,
                EventLog& events, Era era) {
  const bool legacy = era == Era::Legacy;
  if (legacy && method == "ping") return result_response(std::move(id), JsonValue::object());
  if (legacy && method == "initialize") {
    return result_response(std::move(id), handle_initialize(params, session, events));
  }
  if (method == "tools/list") return result_response(std::move(id), handle_tools_list(era));
  if (method == "tools/call") {
    return from_handler(handle_tool_call(params, session, era, events), std::move(id));
  }
  if (method == "prompts/list") return result_response(std::move(id), handle_prompts_list(era));
  if (method == "prompts/get") {
    HandlerResult outcome = handle_prompts_get(params, era);
    if (std::holds_alternative<HandlerFailure>(outcome)) log_event(events, "unknown_prompt");
    return from_handler(std::move(outcome), std::move(id));
  }
  if (!legacy && method == "server/discover") {
    return result_response(std::move(id), handle_discover());
  }
  log_event(events, "method_not_found");
  return error_response(std::move(id), kMethodNotFound, "Method not found");
}

// A modern request is served from what it carries alone: it gets a session of
// its own, with the agent its _meta names, and never sees or changes the one
// a legacy initialize set.
JsonValue route_modern(const Session& session, std::string_view method, const JsonValue& params,
                       const JsonValue& meta, JsonValue id, EventLog& events) {
  if (std::optional<JsonValue> refusal = meta_refusal(meta, id)) return std::move(*refusal);
  Session caller{session.data_dir, agent_named_in(meta)};
  return route(caller, method, params, std::move(id), events, Era::Modern);
}

// The response to a parsed message, or nothing when none is due.
std::optional<JsonValue> respond(Session& session, const JsonValue& message, EventLog& events) {
  if (!message.is_object()) return invalid_request(events, JsonValue());
  const JsonValue* id = message.find("id");
  const JsonValue* method = message.find("method");
  if (method == nullptr) {
    if (message.find("result") != nullptr || message.find("error") != nullptr) {
      return std::nullopt;  // a response from the client: nothing to answer
    }
    return invalid_request(events, id != nullptr ? *id : JsonValue());
  }
  if (!method->is_string()) return invalid_request(events, id != nullptr ? *id : JsonValue());
  if (id == nullptr) return std::nullopt;  // a notification
  if (!id->is_number() && !id->is_string()) return invalid_request(events, JsonValue());
  static const JsonValue kNoParams;
  const JsonValue* found = message.find("params");
  const JsonValue& params = found != nullptr ? *found : kNoParams;
  if (const JsonValue* meta = modern_meta(params)) {
    return route_modern(session, method->as_string(), params, *meta, *id, events);
  }
  return route(session, method->as_string(), params, *id, events, Era::Legacy);
}

// Lets through, at the end of each line's handling, the stop signals that a
// save held back until its answer was written (or could not be).
class StopSignalsReleasedAfterAnswer {
 public:
  StopSignalsReleasedAfterAnswer() = default;
  StopSignalsReleasedAfterAnswer(const StopSignalsReleasedAfterAnswer&) = delete;
  StopSignalsReleasedAfterAnswer& operator=(const StopSignalsReleasedAfterAnswer&) = delete;
  ~StopSignalsReleasedAfterAnswer() { release_stop_signals(); }
};

}  // namespace

void handle_message(Session& session, std::string_view text, EventLog& events,
                    std::string& response) {
  response.clear();
  std::optional<JsonValue> message = JsonValue::parse(text);
  if (!message) {
    log_event(events, "parse_error");
    response = parse_error_text();
    return;
  }
  if (std::optional<JsonValue> answer = respond(session, *message, events)) {
    answer->write_to(response);
  }
}

LoopEnd run_message_loop(Session& session, ByteSource& input, int output_fd, EventLog& events) {
  LineReader reader(input);
  std::string response;
  std::string decoded;
  while (true) {
    const StopSignalsReleasedAfterAnswer release;
    auto read = reader.read_request_line();
    if (!read.ok()) return LoopEnd::IoFailure;
    const LineRead& line = read.value();
    if (line.kind == LineRead::Kind::End) {
      log_event(events, "closed");
      return LoopEnd::EndOfInput;
    }
    if (line.kind == LineRead::Kind::TooLong) {
      log_event(events, "line_too_long");
      response = parse_error_text();
    } else {
      std::string_view text = line.line;
      if (!story_seeds::is_valid_utf8(text)) {
        decoded = story_seeds::replace_invalid_utf8(text);
        text = decoded;
      }
      text = story_seeds::trim_white_space(text);
      if (text.empty()) continue;
      handle_message(session, text, events, response);
      if (response.empty()) continue;
    }
    response += '\n';
    if (!story_seeds::write_all(output_fd, response).ok()) return LoopEnd::IoFailure;
  }
}

}  // namespace vesk
