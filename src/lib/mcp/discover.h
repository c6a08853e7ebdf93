// The server/discover request of the modern era.
#pragma once

#include "lib/json_value.h"

namespace vesk {

// The versions spoken, the capabilities, the instructions and the server's
// identity: what initialize tells, with the caching hints. Params are ignored.
JsonValue handle_discover();

}  // namespace vesk
