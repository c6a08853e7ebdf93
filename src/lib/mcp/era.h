// Which protocol revision a request speaks, and what that adds to its result.
#pragma once

#include "lib/json_value.h"

namespace vesk {

// Legacy: the revisions opened by initialize, answered exactly as always.
// Modern: the stateless revision, each request carrying its version in
// params._meta.
enum class Era { Legacy, Modern };

// `members` as a result object; a modern one also says that it is complete
// and names the server in its _meta.
JsonValue complete_result(JsonValue::Object members, Era era);

// The same for the results a client may cache: a modern one adds the hints.
JsonValue cacheable_result(JsonValue::Object members, Era era);

// A fixed result, serialised once for each era.
class PerEra {
 public:
  template <class Make>
  explicit PerEra(Make make)
      : legacy_(make(Era::Legacy).frozen()), modern_(make(Era::Modern).frozen()) {}
  const JsonValue& operator[](Era era) const { return era == Era::Modern ? modern_ : legacy_; }

 private:
  JsonValue legacy_;
  JsonValue modern_;
};

}  // namespace vesk
