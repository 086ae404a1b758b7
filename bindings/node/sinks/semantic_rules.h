// The semantic command and path checks as Agent methods.
#pragma once

#include "bindings/node/napi.h"

namespace bindings::node::sinks::semantic_rules {

// isDangerousPath(path, isCustomCode): a boolean; the flag is taken by truthiness.
napi::Result<napi_value> is_dangerous_path(napi_env env, napi_callback_info info);

// containsDangerousPath(command): a boolean.
napi::Result<napi_value> contains_dangerous_path(napi_env env, napi_callback_info info);

// indexOfChaining(command): the character index of the first chaining place, or -1.
napi::Result<napi_value> index_of_chaining(napi_env env, napi_callback_info info);

}  // namespace bindings::node::sinks::semantic_rules
