// The JSON-RPC message loop: line framing, envelope checks and routing.
#pragma once

#include <string>
#include <string_view>

#include "lib/event_log.h"
#include "lib/line_reader.h"
#include "lib/session.h"

namespace vesk {

// Answers one trimmed, non-empty line. Leaves `response` holding the compact
// response text, or empty when no response is due (notifications, responses
// sent by the client). Writes at most one event, always before returning.
void handle_message(Session& session, std::string_view text, EventLog& events,
                    std::string& response);

enum class LoopEnd { EndOfInput, IoFailure };

// Reads requests from `input` and writes one line per response to
// `output_fd` until the input ends ("closed" is logged) or reading or
// writing fails (nothing is logged).
LoopEnd run_message_loop(Session& session, ByteSource& input, int output_fd, EventLog& events);

}  // namespace vesk
