// scoreHeader: one header name and value against the rules of a mask.
#pragma once

#include "bindings/node/napi.h"

namespace bindings::node::request::header {

// scoreHeader(rules, name, value[, options]) -> [{ruleId, score, idsList}] or undefined.
napi::Result<napi_value> eval_header(napi_env env, napi_callback_info info);

}  // namespace bindings::node::request::header
