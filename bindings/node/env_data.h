// What the module keeps for one env (the main thread's or a worker's), created on first use
// and freed with the env. An env holds one such slot for the module: every value the module
// keeps per env belongs here.
#pragma once

#include <cstddef>
#include <cstdint>

#include "bindings/node/napi.h"
#include "core/evaluation/rules/reflected_xss/sink_checks_cache.h"

namespace bindings::node {

// A Uint32Array kept per env, made on its first use, for one call at a time: a call that
// comes in again while it is in use (from JavaScript the first call runs) takes its own.
struct EnvUint32Array {
  napi_ref array = nullptr;
  std::uint32_t* elements = nullptr;
  bool in_use = false;

  // The array, made with `length` elements on the first call.
  napi::Result<napi_value> get(napi_env env, std::size_t length);
};

// Marks an env's array in use while it lives.
class InUse {
 public:
  explicit InUse(EnvUint32Array& array) : flag_(array.in_use) { flag_ = true; }
  ~InUse() { flag_ = false; }
  InUse(const InUse&) = delete;
  InUse& operator=(const InUse&) = delete;

 private:
  bool& flag_;
};

struct EnvData {
  // The store functions of result objects (result_objects.h), compiled on their first use.
  napi_ref store_result = nullptr;
  napi_ref store_comparator = nullptr;
  // The array that carries their objects' fields, in use during a call of a store function.
  EnvUint32Array result_fields;
  // The function that joins a list of strings (string_lists.h), made on its first use, and
  // the array it writes their lengths to, in use during a call.
  napi_ref join_strings = nullptr;
  EnvUint32Array join_lengths;
  // The tracked inputs of recent chunked response-body scans, kept between their chunks.
  sorvane::evaluation::rules::reflected_xss::sink_checks::InputsCache xss_inputs;

  // The data of `env`, created on the first call.
  static napi::Result<EnvData*> of(napi_env env);
};

}  // namespace bindings::node
