// A test-only addon (never shipped) that reaches the bindings layer from JavaScript:
// the text reader, error throwing and the guard, before any method of the module uses them.
#include <node_api.h>

#include <string>

#include "bindings/node/js_string_reader.h"
#include "bindings/node/napi.h"
#include "core/fatal_error.h"

namespace {

using bindings::node::JsStringReader;
namespace napi = bindings::node::napi;

// readText(value): the reader's text view of argument 0.
napi::Result<napi_value> read_text(napi_env env, napi_callback_info info) {
  BINDING_ASSIGN(auto call, napi::get_cb_info<1>(env, info));
  BINDING_ASSIGN(auto reader, JsStringReader::init(call, 0));
  BINDING_ASSIGN(std::string_view text, reader.get_as_str());
  return napi::create_string(env, text);
}

// readBytes(value): the reader's bytes of argument 0, as an ArrayBuffer.
napi::Result<napi_value> read_bytes(napi_env env, napi_callback_info info) {
  BINDING_ASSIGN(auto call, napi::get_cb_info<1>(env, info));
  BINDING_ASSIGN(auto reader, JsStringReader::init(call, 0));
  return napi::create_arraybuffer(env, reader.get_as_bytes());
}

// readAt(index, value): reads argument `index` of a callback with capacity 2.
napi::Result<napi_value> read_at(napi_env env, napi_callback_info info) {
  BINDING_ASSIGN(auto call, napi::get_cb_info<2>(env, info));
  BINDING_ASSIGN(std::uint32_t index, napi::get_value_uint32(env, call.arg(0)));
  BINDING_ASSIGN(auto reader, JsStringReader::init(call, index));
  BINDING_ASSIGN(std::string_view text, reader.get_as_str());
  return napi::create_string(env, text);
}

// throwError(status, reason): throws a BindingError with the whole reason.
napi::Result<napi_value> throw_error(napi_env env, napi_callback_info info) {
  BINDING_ASSIGN(auto call, napi::get_cb_info<2>(env, info));
  BINDING_ASSIGN(std::int64_t status, napi::get_value_int64(env, call.arg(0)));
  BINDING_ASSIGN(std::string reason, napi::read_string(env, call.arg(1)));
  return napi::BindingError{
      bindings::node::support::status_from_napi(static_cast<int>(status)), std::move(reason)};
}

// panic(kind): fails inside the guard with a static panic, a formatted one or a non-text throw.
napi::Result<napi_value> panic(napi_env env, napi_callback_info info) {
  BINDING_ASSIGN(auto call, napi::get_cb_info<1>(env, info));
  BINDING_ASSIGN(std::string kind, napi::read_string(env, call.arg(0)));
  if (kind == "static") sorvane::panic("bad RuleConfig");
  if (kind == "formatted") sorvane::panic_formatted(std::string("bad\0state", 9));
  throw 42;
}

napi::Status define(napi_env env, napi_value exports, const char* name, napi_callback callback) {
  napi_value fn = nullptr;
  BINDING_TRY(napi::check(napi_create_function(env, name, NAPI_AUTO_LENGTH, callback, nullptr, &fn)));
  return napi::set_named(env, exports, name, fn);
}

}  // namespace

NAPI_MODULE_INIT() {
  struct Export {
    const char* name;
    napi_callback callback;
  };
  const Export exported[] = {{"readText", napi::guarded<read_text>},
                             {"readBytes", napi::guarded<read_bytes>},
                             {"readAt", napi::guarded<read_at>},
                             {"throwError", napi::guarded<throw_error>},
                             {"panic", napi::guarded<panic>}};
  for (const Export& e : exported) {
    if (!define(env, exports, e.name, e.callback)) return nullptr;
  }
  return exports;
}
