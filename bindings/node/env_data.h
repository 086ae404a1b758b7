// What the module keeps for one env (the main thread's or a worker's), created on first use
// and freed with the env. An env holds one such slot for the module: every value the module
// keeps per env belongs here.
#pragma once

#include "bindings/node/napi.h"
#include "core/evaluation/rules/reflected_xss/sink_checks_cache.h"

namespace bindings::node {

struct EnvData {
  // The store functions of result objects (result_objects.h), compiled on their first use.
  napi_ref store_result = nullptr;
  napi_ref store_comparator = nullptr;
  // The function that joins a list of strings (string_lists.h), compiled on its first use.
  napi_ref join_strings = nullptr;
  // The tracked inputs of recent chunked response-body scans, kept between their chunks.
  sorvane::evaluation::rules::reflected_xss::sink_checks::InputsCache xss_inputs;

  // The data of `env`, created on the first call.
  static napi::Result<EnvData*> of(napi_env env);
};

}  // namespace bindings::node
