// What the module keeps for one env (the main thread's or a worker's), created on first use
// and freed with the env. An env holds one such slot for the module: every value the module
// keeps per env belongs here.
#pragma once

#include <cstdint>

#include "bindings/node/napi.h"
#include "core/evaluation/rules/reflected_xss/sink_checks_cache.h"

namespace bindings::node {

struct EnvData {
  // The store functions of result objects (result_objects.h), compiled on their first use.
  napi_ref store_result = nullptr;
  napi_ref store_comparator = nullptr;
  // The Uint32Array that carries their objects' fields and its elements, made on its first
  // use; it is in use during a call of a store function.
  napi_ref result_fields = nullptr;
  std::uint32_t* result_fields_data = nullptr;
  bool result_fields_in_use = false;
  // The function that joins a list of strings and the array it writes their lengths to
  // (string_lists.h), made on their first use; the array is in use during a call.
  napi_ref join_strings = nullptr;
  napi_ref join_lengths = nullptr;
  const std::uint32_t* join_lengths_data = nullptr;
  bool join_lengths_in_use = false;
  // The tracked inputs of recent chunked response-body scans, kept between their chunks.
  sorvane::evaluation::rules::reflected_xss::sink_checks::InputsCache xss_inputs;

  // The data of `env`, created on the first call.
  static napi::Result<EnvData*> of(napi_env env);
};

}  // namespace bindings::node
