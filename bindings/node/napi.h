// A thin layer over the Node-API C functions, used by every callback of the module.
//
// Every Node-API call goes through `check`: a non-zero status becomes a `BindingError`
// carrying that status and an empty reason, so a callback body is a chain of steps that
// each yield a `Result<T>` (a value or the error that ends the call):
//
//   Result<napi_value> is_thing(napi_env env, napi_callback_info info) {
//     BINDING_ASSIGN(auto call, napi::get_cb_info<2>(env, info));
//     BINDING_ASSIGN(auto text, JsStringReader::init(call, 0));
//     BINDING_ASSIGN(bool flag, napi::read_bool(env, call.arg(1)));   // "expect Boolean, ..."
//     ...
//     return napi::get_boolean(env, answer);
//   }
//
// Bodies never throw into the engine: wrap them with `guarded<body>` (run_guarded around
// the body, then the error thrown into JavaScript) and put that in the method table.
// Typed reads (`read_bool`, `read_string`, `expect_type`) fail with type_mismatch_error;
// raw reads (`get_value_*`) fail with the Node-API status (e.g. NumberExpected).
// Strings are always created with an explicit byte length, so NUL characters survive.
#pragma once

#include <node_api.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "bindings/node/support/binding_error.h"
#include "bindings/node/support/guard.h"

namespace bindings::node::napi {

using support::BindingError;
using support::BindingStatus;
using support::Result;
using support::Status;
using support::ValueType;

// Success for napi_ok; otherwise the status as a BindingError with an empty reason.
Status check(napi_status status);

// The arguments of one callback, read with a fixed capacity N. Slots at or past the
// number actually passed hold `undefined`; `argc` is the number actually passed.
template <std::size_t N>
struct CallInfo {
  static constexpr std::size_t capacity = N;
  napi_env env = nullptr;
  std::array<napi_value, N> args{};
  std::size_t argc = 0;
  napi_value this_arg = nullptr;

  napi_value arg(std::size_t index) const { return args[index]; }
};

template <std::size_t N>
Result<CallInfo<N>> get_cb_info(napi_env env, napi_callback_info info) {
  CallInfo<N> call;
  call.env = env;
  call.argc = N;
  BINDING_TRY(check(napi_get_cb_info(env, info, &call.argc, N > 0 ? call.args.data() : nullptr,
                                     &call.this_arg, nullptr)));
  return call;
}

// Whether a constructor callback runs under `new` (or Reflect.construct, or super()):
// false for a plain call such as `Agent()` or `Agent.call(x)`.
Result<bool> is_construct_call(napi_env env, napi_callback_info info);

// Type tests.
Result<ValueType> type_of(napi_env env, napi_value value);
Result<bool> is_array(napi_env env, napi_value value);
Result<bool> is_buffer(napi_env env, napi_value value);
Result<bool> instance_of(napi_env env, napi_value object, napi_value constructor);

// Typed reads: a value of another type fails with type_mismatch_error(expected, actual).
Status expect_type(napi_env env, napi_value value, ValueType expected);
Result<bool> read_bool(napi_env env, napi_value value);
// The whole string as UTF-8 (NUL characters included).
Result<std::string> read_string(napi_env env, napi_value value);

// Raw reads: failures carry the Node-API status.
Result<bool> get_value_bool(napi_env env, napi_value value);
Result<std::int64_t> get_value_int64(napi_env env, napi_value value);
Result<std::uint32_t> get_value_uint32(napi_env env, napi_value value);
// Copies a string value as UTF-8: a short text in one call through a stack buffer, a longer
// one with its length first, then a buffer of length + 1.
Result<std::string> get_value_string_utf8(napi_env env, napi_value value);
// Writes a string value as UTF-8 into `buffer` (`size` bytes, the closing NUL included) and
// returns the bytes written. Only whole characters are written, so the text is whole when
// `fits_whole` holds for the count.
Result<std::size_t> write_value_string_utf8(napi_env env, napi_value value, char* buffer,
                                            std::size_t size);
// Whether `written` bytes of a write into `size` bytes are the whole text: a character takes
// at most 4 bytes, so a write that stopped more than 4 bytes short of the end was not cut.
constexpr bool fits_whole(std::size_t written, std::size_t size) { return written + 4 < size; }
// The length of a string value in UTF-8.
Result<std::size_t> get_value_string_utf8_length(napi_env env, napi_value value);
// Writes a string value's UTF-16 code units into `buffer` (`size` units, a closing NUL
// included) and returns the units written: the whole text when fewer than size - 1.
Result<std::size_t> write_value_string_utf16(napi_env env, napi_value value, char16_t* buffer,
                                             std::size_t size);
// The length of a string value in UTF-16 code units.
Result<std::size_t> get_value_string_utf16_length(napi_env env, napi_value value);
Result<std::uint32_t> get_array_length(napi_env env, napi_value array);
Result<napi_value> coerce_to_bool(napi_env env, napi_value value);
Result<napi_value> coerce_to_string(napi_env env, napi_value value);
// A Buffer's bytes, borrowed for the duration of the call.
Result<std::string_view> get_buffer_bytes(napi_env env, napi_value buffer);
// An ArrayBuffer's bytes, borrowed for the duration of the call.
Result<std::string_view> get_arraybuffer_bytes(napi_env env, napi_value arraybuffer);

// Properties and elements. `has_named` sees own and inherited properties and converts a
// primitive to an object (undefined and null fail with ObjectExpected).
Result<bool> has_named(napi_env env, napi_value object, const char* name);
Result<napi_value> get_named(napi_env env, napi_value object, const char* name);
Status set_named(napi_env env, napi_value object, const char* name, napi_value value);
Status set_property(napi_env env, napi_value object, napi_value key, napi_value value);
// Sets property `name` as a strict-mode assignment does (through the global Reflect.set):
// false when the object refuses the value (frozen, a non-writable own or inherited property,
// an accessor without a setter, a Proxy whose set trap returns false), where a plain set
// reports success. A throwing setter or trap fails with its pending exception. Nothing is
// read back, so no getter runs.
Result<bool> set_named_strict(napi_env env, napi_value object, const char* name,
                              napi_value value);
Result<napi_value> get_element(napi_env env, napi_value array, std::uint32_t index);
Status set_element(napi_env env, napi_value array, std::uint32_t index, napi_value value);

// Creation.
Result<napi_value> create_object(napi_env env);
Result<napi_value> create_array(napi_env env, std::size_t length);
Result<napi_value> create_string(napi_env env, std::string_view utf8);
Result<napi_value> create_int32(napi_env env, std::int32_t value);
Result<napi_value> create_int64(napi_env env, std::int64_t value);
Result<napi_value> create_uint32(napi_env env, std::uint32_t value);
Result<napi_value> create_double(napi_env env, double value);
// A new ArrayBuffer holding a copy of `bytes`, owned by JavaScript.
Result<napi_value> create_arraybuffer(napi_env env, std::string_view bytes);
// A Uint32Array of `length` zeros over a new ArrayBuffer; `*data` receives its elements,
// which stay in place while the array lives.
Result<napi_value> create_uint32_array(napi_env env, std::size_t length, std::uint32_t** data);
Result<napi_value> get_boolean(napi_env env, bool value);
Result<napi_value> get_null(napi_env env);
Result<napi_value> get_undefined(napi_env env);
Result<napi_value> get_global(napi_env env);

// Compiles and runs `source` as a script of the env's context; answers its completion value.
Result<napi_value> run_script(napi_env env, std::string_view source);
// Calls `function` with `this` undefined; answers its return value.
Result<napi_value> call_function(napi_env env, napi_value function,
                                 std::span<const napi_value> args);

// Strong references, which keep a value alive across calls within one env.
Result<napi_ref> create_reference(napi_env env, napi_value value);
Result<napi_value> get_reference_value(napi_env env, napi_ref reference);
// Deletes a reference; nullptr is no reference. Statuses are not tested (env teardown).
void delete_reference(napi_env env, napi_ref reference);

// The module's data of one env (nullptr until set); `finalize` frees it with the env.
Result<void*> get_instance_data(napi_env env);
Status set_instance_data(napi_env env, void* data, napi_finalize finalize);

// Throws `error` as an Error whose code is the status name and whose message is the reason,
// both passed with their byte lengths, in place of any exception the engine left pending.
// Statuses of these calls are not tested.
void throw_binding_error(napi_env env, const BindingError& error);

// The value of `result`, or nullptr after throwing its error.
napi_value value_or_throw(napi_env env, const Result<napi_value>& result);

// A method or constructor body: runs on the JavaScript thread, returns its answer or error.
using Body = Result<napi_value> (*)(napi_env, napi_callback_info);

// The Node-API callback of `body`: run_guarded around it, its error thrown.
template <Body body>
napi_value guarded(napi_env env, napi_callback_info info) {
  return value_or_throw(env, support::run_guarded([&] { return body(env, info); }));
}

}  // namespace bindings::node::napi
