// The method-tampering test as an Agent method.
#pragma once

#include "bindings/node/napi.h"

namespace bindings::node::sinks::method_tampering {

// isMethodTampering(method): true unless the method is a known HTTP method name.
napi::Result<napi_value> is_method_tampering(napi_env env, napi_callback_info info);

}  // namespace bindings::node::sinks::method_tampering
