#include "bindings/node/env_data.h"

#include <memory>

namespace bindings::node {
namespace {

void delete_env_data(napi_env env, void* data, void*) {
  std::unique_ptr<EnvData> owned(static_cast<EnvData*>(data));
  napi::delete_reference(env, owned->store_result);
  napi::delete_reference(env, owned->store_comparator);
  napi::delete_reference(env, owned->result_fields.array);
  napi::delete_reference(env, owned->join_strings);
  napi::delete_reference(env, owned->join_lengths.array);
}

}  // namespace

napi::Result<napi_value> EnvUint32Array::get(napi_env env, std::size_t length) {
  if (array == nullptr) {
    std::uint32_t* made = nullptr;
    BINDING_ASSIGN(napi_value value, napi::create_uint32_array(env, length, &made));
    BINDING_ASSIGN(array, napi::create_reference(env, value));
    elements = made;
  }
  return napi::get_reference_value(env, array);
}

napi::Result<EnvData*> EnvData::of(napi_env env) {
  BINDING_ASSIGN(void* data, napi::get_instance_data(env));
  if (data != nullptr) return static_cast<EnvData*>(data);
  auto created = std::make_unique<EnvData>();
  BINDING_TRY(napi::set_instance_data(env, created.get(), delete_env_data));
  return created.release();
}

}  // namespace bindings::node
