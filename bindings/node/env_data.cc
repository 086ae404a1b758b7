#include "bindings/node/env_data.h"

#include <memory>

namespace bindings::node {
namespace {

void delete_env_data(napi_env env, void* data, void*) {
  std::unique_ptr<EnvData> owned(static_cast<EnvData*>(data));
  napi::delete_reference(env, owned->store_result);
  napi::delete_reference(env, owned->store_comparator);
  napi::delete_reference(env, owned->result_fields);
  napi::delete_reference(env, owned->join_strings);
  napi::delete_reference(env, owned->join_lengths);
}

}  // namespace

napi::Result<EnvData*> EnvData::of(napi_env env) {
  BINDING_ASSIGN(void* data, napi::get_instance_data(env));
  if (data != nullptr) return static_cast<EnvData*>(data);
  auto created = std::make_unique<EnvData>();
  BINDING_TRY(napi::set_instance_data(env, created.get(), delete_env_data));
  return created.release();
}

}  // namespace bindings::node
