// The MongoDB operator tests as Agent methods.
#pragma once

#include "bindings/node/napi.h"

namespace bindings::node::sinks::nosqli_mongo {

// isMongoQueryType(key): whether the key is a MongoDB operator or server-side-code name.
napi::Result<napi_value> is_mongo_query_type(napi_env env, napi_callback_info info);

// findMongoComparators(json): [{ path: [...keys, operator] }, ...] for every operator key
// of the JSON text, in document order, or undefined when there is none. Invalid JSON
// throws GenericFailure with the parser's message.
napi::Result<napi_value> find_mongo_comparators(napi_env env, napi_callback_info info);

}  // namespace bindings::node::sinks::nosqli_mongo
