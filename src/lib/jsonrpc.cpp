#include "lib/jsonrpc.h"

namespace vesk {

namespace {

JsonValue version_2_0() {
  return JsonValue::string("2.0");
}

}  // namespace

JsonValue result_response(JsonValue id, JsonValue result) {
  JsonValue::Object members;
  members.emplace("id", std::move(id));
  members.emplace("jsonrpc", version_2_0());
  members.emplace("result", std::move(result));
  return JsonValue::object(std::move(members));
}

JsonValue error_response(JsonValue id, std::int64_t code, std::string message) {
  JsonValue::Object error;
  error.emplace("code", JsonValue::integer(code));
  error.emplace("message", JsonValue::string(std::move(message)));
  JsonValue::Object members;
  members.emplace("error", JsonValue::object(std::move(error)));
  members.emplace("id", std::move(id));
  members.emplace("jsonrpc", version_2_0());
  return JsonValue::object(std::move(members));
}

JsonValue error_response(JsonValue id, std::int64_t code, std::string message, JsonValue data) {
  JsonValue response = error_response(std::move(id), code, std::move(message));
  response.as_object()["error"].as_object().emplace("data", std::move(data));
  return response;
}

}  // namespace vesk
