// The sink checks as Agent methods: the SQL, command and server-side JavaScript sink
// checks, which tell whether a user input breaks out of its place in a text, and the
// context-free SQL check.
#pragma once

#include "bindings/node/napi.h"

namespace bindings::node::sinks {

// checkCommandInjectionSink(inputIndex, inputLength, command): the boundary object
// { startIndex, endIndex, overrunIndex, boundaryIndex } or undefined. Positions count
// characters.
napi::Result<napi_value> eval_cmdi_sink(napi_env env, napi_callback_info info);

// checkSqlInjectionSink(inputIndex, inputLength, dbType, query): as the command check;
// dbType 1..6 selects a dialect, any other number the generic one.
napi::Result<napi_value> eval_sqli_sink(napi_env env, napi_callback_info info);

// checkSsjsInjectionSink(code, inputIndex, inputLength): a boolean. Positions count bytes
// of the code's UTF-8 form.
napi::Result<napi_value> eval_ssjs_sink(napi_env env, napi_callback_info info);

// checkSqlInjectionContextFreeSink(query): a boolean.
napi::Result<napi_value> eval_context_free_sqli(napi_env env, napi_callback_info info);

}  // namespace bindings::node::sinks
