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
inline constexpr std::int64_t kUnsupportedProtocolVersion = -32022;

// {"id":…,"jsonrpc":"2.0","result":…}
JsonValue result_response(JsonValue id, JsonValue result);

// {"error":{"code":…,"message":…},"id":…,"jsonrpc":"2.0"}; no "data" member,
// which legacy errors never carry.
JsonValue error_response(JsonValue id, std::int64_t code, std::string message);

// The same with "data" in the error, for the modern era's -32022.
JsonValue error_response(JsonValue id, std::int64_t code, std::string message, JsonValue data);

// What a handler that can refuse a request gives back: a result, or the
// message of a -32602 error.
struct HandlerFailure {
  std::string message;
};
using HandlerResult = std::variant<JsonValue, HandlerFailure>;

}  // namespace vesk
