// The response-body scanner as Agent methods. A chunked scan keeps the scanner's state and
// the tracked inputs between calls as two ArrayBuffers in a caller-held object
// { state, inputs }; makeXssState creates it and isXssInChunkedBody carries it forward.
#pragma once

#include <string_view>
#include <vector>

#include "bindings/node/napi.h"
#include "core/evaluation/rules/reflected_xss/sink_checks.h"

namespace bindings::node::sinks::xss {

using sorvane::evaluation::rules::reflected_xss::sink_checks::SinkMatch;
using sorvane::evaluation::rules::reflected_xss::sink_checks::UserInput;

// Whether an input can matter to the scanner: it holds one of " ' ( / : ; < = > _ `.
bool is_tracked(std::string_view value);

// The strings of a JavaScript array (each up to its first NUL character) that are
// tracked, in array order, with no progress.
napi::Result<std::vector<UserInput>> convert_js_string_array_to_user_inputs(napi_env env,
                                                                             napi_value value);

// A new ArrayBuffer holding a copy of `bytes` (GenericFailure "create_arraybuffer").
napi::Result<napi_value> make_arraybuffer(napi_env env, std::string_view bytes);

// { source, matchByteIndex, matchByteLength }, the numbers cut to their low 32 bits.
napi::Result<napi_value> convert_finding_to_js_object(napi_env env, const SinkMatch& match);

// isXssInWholeBody(body, inputs): the finding object or null.
napi::Result<napi_value> is_xss_whole_body_attack(napi_env env, napi_callback_info info);

// isXssInChunkedBody(chunk, stateObject): the finding object or null; without a match the
// object's "state" and "inputs" are replaced by the advanced ones.
napi::Result<napi_value> is_xss_chunked_body_attack(napi_env env, napi_callback_info info);

// makeXssState(inputs): a new { state, inputs } at the start of a body.
napi::Result<napi_value> make_xss_state(napi_env env, napi_callback_info info);

// isXssScriptOrIframeInUserInput(inputs): whether the inputs, read one after the other as
// one markup stream, hold a complete script element or a script or iframe tag with src.
napi::Result<napi_value> is_xss_script_or_iframe_attack(napi_env env, napi_callback_info info);

}  // namespace bindings::node::sinks::xss
