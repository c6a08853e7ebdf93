// The two JSON-RPC response shapes; every response is built by one of them.
#pragma once

#include <cstdint>
#include <string>
#include <variant>

#include "lib/json_value.h"

namespace vesk {

inline constexpr std::int64_t kParseError = -32700;
inline constexpr std::int64_t kInvalidRequest = -32600;
inline constexpr std::int64_t kMethodNotFound = -32601;
inline constexpr std::int64_t kInvalidParams = -32602;

// {"id":…,"jsonrpc":"2.0","result":…}
JsonValue result_response(JsonValue id, JsonValue result);

// {"error":{"code":…,"message":…},"id":…,"jsonrpc":"2.0"}; never a "data" member.
JsonValue error_response(JsonValue id, std::int64_t code, std::string message);

// What a handler that can refuse a request gives back: a result, or the
// message of a -32602 error.
struct HandlerFailure {
  std::string message;
};
using HandlerResult = std::variant<JsonValue, HandlerFailure>;

}  // namespace vesk
