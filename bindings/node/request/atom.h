// scoreAtom: one input of a given input type against the rules of a mask.
#pragma once

#include "bindings/node/napi.h"

namespace bindings::node::request::atom {

// scoreAtom(rules, value, inputType[, options]) -> [{ruleId, score, idsList}] or undefined.
napi::Result<napi_value> eval_atom(napi_env env, napi_callback_info info);

}  // namespace bindings::node::request::atom
