// The `constants` export: the numbers of rules, input types and database kinds.
#pragma once

#include "bindings/node/napi.h"

namespace bindings::node::constants {

// { RuleType: { "unsafe-file-upload": 1, ... }, InputType: { CookieName: 1, ... },
//   DbType: { DB2: 1, ... } }, keys in value order.
napi::Result<napi_value> make(napi_env env);

}  // namespace bindings::node::constants
