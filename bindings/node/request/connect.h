// scoreRequestConnect: the query, headers, cookies, URI path and method of a request.
#pragma once

#include <span>
#include <string_view>

#include "bindings/node/napi.h"
#include "bindings/node/request/mod.h"

namespace bindings::node::request::connect {

// scoreRequestConnect(rules, inputs[, options]) -> {trackRequest[, resultsList]}.
napi::Result<napi_value> eval_request_connect(napi_env env, napi_callback_info info);

// One item per finding on each header value, keyed by the header name.
void add_header_evaluations(std::span<const std::string_view> headers,
                            std::span<const RuleType> rules, bool prefer_worth_watching,
                            ItemList& items);

// One item per finding on the URI path, with an empty path and key.
void add_uri_path_evaluation(std::string_view uri_path, std::span<const RuleType> rules,
                             bool prefer_worth_watching, ItemList& items);

// One "METHOD" item when the method is not a known HTTP method, whatever rules are selected.
void add_method_tampering_evaluation(std::string_view method, ItemList& items);

}  // namespace bindings::node::request::connect
