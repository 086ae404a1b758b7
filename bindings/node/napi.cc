#include "bindings/node/napi.h"

#include <cstring>

namespace bindings::node::napi {
namespace {

// The stack buffer that reads most strings of a request in one call.
constexpr std::size_t kShortString = 512;

// Calls a Node-API function whose last parameter receives the result.
template <class Out, class Fn, class... Args>
Result<Out> out_param(Fn fn, Args... args) {
  Out out{};
  BINDING_TRY(check(fn(args..., &out)));
  return out;
}

// Calls a Node-API function that reports the data and length of a Buffer or an ArrayBuffer;
// the bytes are borrowed, and no bytes give an empty view.
template <class Fn>
Result<std::string_view> borrowed_bytes(Fn fn, napi_env env, napi_value value) {
  void* data = nullptr;
  std::size_t length = 0;
  BINDING_TRY(check(fn(env, value, &data, &length)));
  if (length == 0) return std::string_view();
  return std::string_view(static_cast<const char*>(data), length);
}

}  // namespace

Status check(napi_status status) {
  if (status == napi_ok) return {};
  return BindingError{support::status_from_napi(static_cast<int>(status)), {}};
}

Result<bool> is_construct_call(napi_env env, napi_callback_info info) {
  BINDING_ASSIGN(napi_value new_target, out_param<napi_value>(napi_get_new_target, env, info));
  return new_target != nullptr;
}

Result<ValueType> type_of(napi_env env, napi_value value) {
  napi_valuetype type;
  BINDING_TRY(check(napi_typeof(env, value, &type)));
  return static_cast<ValueType>(type);
}

Result<bool> is_array(napi_env env, napi_value value) {
  return out_param<bool>(napi_is_array, env, value);
}

Result<bool> is_buffer(napi_env env, napi_value value) {
  return out_param<bool>(napi_is_buffer, env, value);
}

Result<bool> instance_of(napi_env env, napi_value object, napi_value constructor) {
  return out_param<bool>(napi_instanceof, env, object, constructor);
}

Status expect_type(napi_env env, napi_value value, ValueType expected) {
  BINDING_ASSIGN(ValueType actual, type_of(env, value));
  if (actual != expected) return support::type_mismatch_error(expected, actual);
  return {};
}

Result<bool> read_bool(napi_env env, napi_value value) {
  BINDING_TRY(expect_type(env, value, ValueType::Boolean));
  return get_value_bool(env, value);
}

Result<std::string> read_string(napi_env env, napi_value value) {
  BINDING_TRY(expect_type(env, value, ValueType::String));
  return get_value_string_utf8(env, value);
}

Result<bool> get_value_bool(napi_env env, napi_value value) {
  return out_param<bool>(napi_get_value_bool, env, value);
}

Result<std::int64_t> get_value_int64(napi_env env, napi_value value) {
  return out_param<std::int64_t>(napi_get_value_int64, env, value);
}

Result<std::uint32_t> get_value_uint32(napi_env env, napi_value value) {
  return out_param<std::uint32_t>(napi_get_value_uint32, env, value);
}

Result<std::size_t> write_value_string_utf8(napi_env env, napi_value value, char* buffer,
                                            std::size_t size) {
  return out_param<std::size_t>(napi_get_value_string_utf8, env, value, buffer, size);
}

Result<std::size_t> get_value_string_utf8_length(napi_env env, napi_value value) {
  return out_param<std::size_t>(napi_get_value_string_utf8, env, value,
                                static_cast<char*>(nullptr), std::size_t{0});
}

Result<std::size_t> write_value_string_utf16(napi_env env, napi_value value, char16_t* buffer,
                                             std::size_t size) {
  return out_param<std::size_t>(napi_get_value_string_utf16, env, value, buffer, size);
}

Result<std::size_t> get_value_string_utf16_length(napi_env env, napi_value value) {
  return out_param<std::size_t>(napi_get_value_string_utf16, env, value,
                                static_cast<char16_t*>(nullptr), std::size_t{0});
}

Result<std::string> get_value_string_utf8(napi_env env, napi_value value) {
  char buffer[kShortString];
  BINDING_ASSIGN(std::size_t written, write_value_string_utf8(env, value, buffer, sizeof buffer));
  if (fits_whole(written, sizeof buffer)) return std::string(buffer, written);
  BINDING_ASSIGN(std::size_t length, get_value_string_utf8_length(env, value));
  std::string text(length + 1, '\0');
  std::size_t copied = 0;
  BINDING_TRY(check(napi_get_value_string_utf8(env, value, text.data(), text.size(), &copied)));
  text.resize(copied);
  return text;
}

Result<std::uint32_t> get_array_length(napi_env env, napi_value array) {
  return out_param<std::uint32_t>(napi_get_array_length, env, array);
}

Result<napi_value> coerce_to_bool(napi_env env, napi_value value) {
  return out_param<napi_value>(napi_coerce_to_bool, env, value);
}

Result<napi_value> coerce_to_string(napi_env env, napi_value value) {
  return out_param<napi_value>(napi_coerce_to_string, env, value);
}

Result<std::string_view> get_buffer_bytes(napi_env env, napi_value buffer) {
  return borrowed_bytes(napi_get_buffer_info, env, buffer);
}

Result<std::string_view> get_arraybuffer_bytes(napi_env env, napi_value arraybuffer) {
  return borrowed_bytes(napi_get_arraybuffer_info, env, arraybuffer);
}

Result<bool> has_named(napi_env env, napi_value object, const char* name) {
  return out_param<bool>(napi_has_named_property, env, object, name);
}

Result<napi_value> get_named(napi_env env, napi_value object, const char* name) {
  return out_param<napi_value>(napi_get_named_property, env, object, name);
}

Status set_named(napi_env env, napi_value object, const char* name, napi_value value) {
  return check(napi_set_named_property(env, object, name, value));
}

Status set_property(napi_env env, napi_value object, napi_value key, napi_value value) {
  return check(napi_set_property(env, object, key, value));
}

Result<bool> set_named_strict(napi_env env, napi_value object, const char* name,
                              napi_value value) {
  BINDING_ASSIGN(napi_value global, get_global(env));
  BINDING_ASSIGN(napi_value reflect, get_named(env, global, "Reflect"));
  BINDING_TRY(expect_type(env, reflect, ValueType::Object));
  BINDING_ASSIGN(napi_value set, get_named(env, reflect, "set"));
  BINDING_TRY(expect_type(env, set, ValueType::Function));
  BINDING_ASSIGN(napi_value key, create_string(env, name));
  const std::array<napi_value, 3> args = {object, key, value};
  napi_value answer = nullptr;
  BINDING_TRY(check(napi_call_function(env, reflect, set, args.size(), args.data(), &answer)));
  BINDING_ASSIGN(napi_value stored, coerce_to_bool(env, answer));
  return get_value_bool(env, stored);
}

Result<napi_value> get_element(napi_env env, napi_value array, std::uint32_t index) {
  return out_param<napi_value>(napi_get_element, env, array, index);
}

Status set_element(napi_env env, napi_value array, std::uint32_t index, napi_value value) {
  BINDING_ASSIGN(napi_value key, create_uint32(env, index));
  return set_property(env, array, key, value);
}

Result<napi_value> create_object(napi_env env) {
  return out_param<napi_value>(napi_create_object, env);
}

Result<napi_value> create_array(napi_env env, std::size_t length) {
  return out_param<napi_value>(napi_create_array_with_length, env, length);
}

Result<napi_value> create_string(napi_env env, std::string_view utf8) {
  napi_value result = nullptr;
  // A non-null pointer even for the empty text: a null pointer is rejected.
  const char* data = utf8.empty() ? "" : utf8.data();
  BINDING_TRY(check(napi_create_string_utf8(env, data, utf8.size(), &result)));
  return result;
}

Result<napi_value> create_int32(napi_env env, std::int32_t value) {
  return out_param<napi_value>(napi_create_int32, env, value);
}

Result<napi_value> create_int64(napi_env env, std::int64_t value) {
  return out_param<napi_value>(napi_create_int64, env, value);
}

Result<napi_value> create_uint32(napi_env env, std::uint32_t value) {
  return out_param<napi_value>(napi_create_uint32, env, value);
}

Result<napi_value> create_double(napi_env env, double value) {
  return out_param<napi_value>(napi_create_double, env, value);
}

Result<napi_value> create_arraybuffer(napi_env env, std::string_view bytes) {
  void* data = nullptr;
  napi_value result = nullptr;
  BINDING_TRY(check(napi_create_arraybuffer(env, bytes.size(), &data, &result)));
  if (!bytes.empty()) std::memcpy(data, bytes.data(), bytes.size());
  return result;
}

Result<napi_value> create_uint32_array(napi_env env, std::size_t length, std::uint32_t** data) {
  void* bytes = nullptr;
  napi_value buffer = nullptr;
  BINDING_TRY(check(napi_create_arraybuffer(env, length * sizeof(std::uint32_t), &bytes, &buffer)));
  napi_value array = nullptr;
  BINDING_TRY(check(napi_create_typedarray(env, napi_uint32_array, length, buffer, 0, &array)));
  *data = static_cast<std::uint32_t*>(bytes);
  return array;
}

Result<napi_value> get_boolean(napi_env env, bool value) {
  return out_param<napi_value>(napi_get_boolean, env, value);
}

Result<napi_value> get_null(napi_env env) {
  return out_param<napi_value>(napi_get_null, env);
}

Result<napi_value> get_undefined(napi_env env) {
  return out_param<napi_value>(napi_get_undefined, env);
}

Result<napi_value> get_global(napi_env env) {
  return out_param<napi_value>(napi_get_global, env);
}

void throw_binding_error(napi_env env, const BindingError& error) {
  // A failing call may have left the engine's own exception pending (a property test on
  // undefined, a throwing getter); the BindingError replaces it.
  bool pending = false;
  if (napi_is_exception_pending(env, &pending) == napi_ok && pending) {
    napi_value discarded = nullptr;
    napi_get_and_clear_last_exception(env, &discarded);
  }
  std::string_view code = support::status_name(error.status);
  napi_value code_value = nullptr;
  napi_value message_value = nullptr;
  napi_value error_value = nullptr;
  napi_create_string_utf8(env, code.data(), code.size(), &code_value);
  napi_create_string_utf8(env, error.reason.empty() ? "" : error.reason.data(),
                          error.reason.size(), &message_value);
  napi_create_error(env, code_value, message_value, &error_value);
  napi_throw(env, error_value);
}

Result<napi_value> run_script(napi_env env, std::string_view source) {
  BINDING_ASSIGN(napi_value script, create_string(env, source));
  return out_param<napi_value>(napi_run_script, env, script);
}

Result<napi_value> call_function(napi_env env, napi_value function,
                                 std::span<const napi_value> args) {
  BINDING_ASSIGN(napi_value receiver, get_undefined(env));
  return out_param<napi_value>(napi_call_function, env, receiver, function, args.size(),
                               args.empty() ? nullptr : args.data());
}

Result<napi_ref> create_reference(napi_env env, napi_value value) {
  return out_param<napi_ref>(napi_create_reference, env, value, 1u);
}

Result<napi_value> get_reference_value(napi_env env, napi_ref reference) {
  return out_param<napi_value>(napi_get_reference_value, env, reference);
}

void delete_reference(napi_env env, napi_ref reference) {
  if (reference != nullptr) napi_delete_reference(env, reference);
}

Result<void*> get_instance_data(napi_env env) {
  return out_param<void*>(napi_get_instance_data, env);
}

Status set_instance_data(napi_env env, void* data, napi_finalize finalize) {
  return check(napi_set_instance_data(env, data, finalize, nullptr));
}

napi_value value_or_throw(napi_env env, const Result<napi_value>& result) {
  if (result) return *result;
  throw_binding_error(env, result.error());
  return nullptr;
}

}  // namespace bindings::node::napi
