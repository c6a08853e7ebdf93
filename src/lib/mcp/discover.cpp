#include "lib/mcp/discover.h"

#include "lib/mcp/era.h"
#include "lib/mcp/server_identity.h"

namespace vesk {

JsonValue handle_discover() {
  static const JsonValue result = [] {
    JsonValue::Object members;
    members.emplace("capabilities", server_capabilities());
    members.emplace("instructions", server_instructions());
    members.emplace("supportedVersions", supported_versions());
    return cacheable_result(std::move(members), Era::Modern).frozen();
  }();
  return result;
}

}  // namespace vesk
