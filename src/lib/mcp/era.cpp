#include "lib/mcp/era.h"

#include <cstdint>

#include "lib/mcp/server_identity.h"

namespace vesk {

namespace {

// What is cached (the catalogue, the discovery result) holds nothing of the
// member's and never changes while a binary runs; an hour bounds how long a
// client that outlives an upgrade keeps the old one.
constexpr std::int64_t kCacheTtlMs = 3600000;

}  // namespace

JsonValue complete_result(JsonValue::Object members, Era era) {
  if (era == Era::Modern) {
    JsonValue::Object meta;
    meta.emplace("io.modelcontextprotocol/serverInfo", server_info());
    members.emplace("_meta", JsonValue::object(std::move(meta)));
    members.emplace("resultType", JsonValue::string("complete"));
  }
  return JsonValue::object(std::move(members));
}

JsonValue cacheable_result(JsonValue::Object members, Era era) {
  if (era == Era::Modern) {
    members.emplace("cacheScope", JsonValue::string("public"));
    members.emplace("ttlMs", JsonValue::integer(kCacheTtlMs));
  }
  return complete_result(std::move(members), era);
}

}  // namespace vesk
