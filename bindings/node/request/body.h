// scoreRequestBody: a JSON or URL-encoded request body.
#pragma once

#include <string_view>
#include <vector>

#include "bindings/node/napi.h"
#include "bindings/node/request/mod.h"
#include "core/evaluation/input_analysis/json.h"

namespace bindings::node::request::body {

// scoreRequestBody(rules, body[, options]) -> {bodyType, trackRequest[, resultsList]}.
napi::Result<napi_value> eval_request_body(napi_env env, napi_callback_info info);

// True when the first character after leading TAB, LF, FF, CR and SPACE is '{', '[' or '"'.
bool is_json_body(std::string_view body);

// The result object's fields of one JSON result, as views into it; a MongoDB operator key
// becomes a "MONGO-KEY" item.
ResultView view_json_result(
    const sorvane::evaluation::input_analysis::json::JsonResultTable& table,
    const sorvane::evaluation::input_analysis::json::JsonResultTable::Entry& entry);

}  // namespace bindings::node::request::body
