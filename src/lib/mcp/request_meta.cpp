#include "lib/mcp/request_meta.h"

#include <string>

#include "lib/jsonrpc.h"
#include "lib/mcp/initialize.h"
#include "lib/mcp/server_identity.h"

namespace vesk {

namespace {

constexpr std::string_view kVersionKey = "io.modelcontextprotocol/protocolVersion";
constexpr std::string_view kCapabilitiesKey = "io.modelcontextprotocol/clientCapabilities";
constexpr std::string_view kClientInfoKey = "io.modelcontextprotocol/clientInfo";

std::string field_at_fault(std::string_view key, std::string_view complaint) {
  std::string message("params._meta.");
  message += key;
  message += complaint;
  return message;
}

}  // namespace

const JsonValue* modern_meta(const JsonValue& params) {
  const JsonValue* meta = params.find("_meta");
  if (meta == nullptr || meta->find(kVersionKey) == nullptr) return nullptr;
  return meta;
}

// The version is judged before the rest: which members are required is the
// requested revision's business, and a client that asked for one we do not
// speak must learn which we do.
std::optional<JsonValue> meta_refusal(const JsonValue& meta, const JsonValue& id) {
  const JsonValue& version = *meta.find(kVersionKey);
  if (!version.is_string()) {
    return error_response(id, kInvalidParams, field_at_fault(kVersionKey, " must be a string"));
  }
  if (version.as_string() != kModernVersion) {
    JsonValue::Object data;
    data.emplace("requested", version);
    data.emplace("supported", supported_versions());
    return error_response(id, kUnsupportedProtocolVersion, "Unsupported protocol version",
                          JsonValue::object(std::move(data)));
  }
  const JsonValue* capabilities = meta.find(kCapabilitiesKey);
  if (capabilities == nullptr || !capabilities->is_object()) {
    return error_response(id, kInvalidParams,
                          field_at_fault(kCapabilitiesKey, " must be an object"));
  }
  return std::nullopt;
}

story_seeds::AgentId agent_named_in(const JsonValue& meta) {
  const JsonValue* client_info = meta.find(kClientInfoKey);
  const JsonValue* name = client_info != nullptr ? client_info->find("name") : nullptr;
  if (name == nullptr || !name->is_string()) return story_seeds::AgentId::Unknown;
  return detect_agent(name->as_string());
}

}  // namespace vesk
