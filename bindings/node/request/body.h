// scoreRequestBody: a JSON or URL-encoded request body.
#pragma once

#include <string_view>
#include <vector>

#include "bindings/node/napi.h"
#include "bindings/node/request/mod.h"

namespace bindings::node::request::body {

// scoreRequestBody(rules, body[, options]) -> {bodyType, trackRequest[, resultsList]}.
napi::Result<napi_value> eval_request_body(napi_env env, napi_callback_info info);

// True when the first character after leading TAB, LF, FF, CR and SPACE is '{', '[' or '"'.
bool is_json_body(std::string_view body);

}  // namespace bindings::node::request::body
