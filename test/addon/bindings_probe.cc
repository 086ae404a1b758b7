// A test-only addon (never shipped) that reaches the bindings layer from JavaScript:
// the text reader, error throwing and the guard, before any method of the module uses them.
#include <node_api.h>

#include <string>
#include <vector>

#include "bindings/node/js_string_reader.h"
#include "bindings/node/napi.h"
#include "bindings/node/text_buffer.h"
#include "core/fatal_error.h"

namespace {

using bindings::node::JsStringReader;
using bindings::node::TextBuffer;
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

// readTexts(strings): the elements of an array of strings read into one text buffer, views
// taken once all are read, as new strings.
napi::Result<napi_value> read_texts(napi_env env, napi_callback_info info) {
  BINDING_ASSIGN(auto call, napi::get_cb_info<1>(env, info));
  BINDING_ASSIGN(std::uint32_t length, napi::get_array_length(env, call.arg(0)));
  TextBuffer texts;
  std::vector<TextBuffer::Text> read;
  for (std::uint32_t index = 0; index < length; ++index) {
    BINDING_ASSIGN(napi_value element, napi::get_element(env, call.arg(0), index));
    BINDING_ASSIGN(TextBuffer::Text text, texts.append_string(env, element));
    read.push_back(text);
  }
  BINDING_ASSIGN(napi_value result, napi::create_array(env, length));
  for (std::uint32_t index = 0; index < length; ++index) {
    BINDING_ASSIGN(napi_value text, napi::create_string(env, texts.view(read[index])));
    BINDING_TRY(napi::set_element(env, result, index, text));
  }
  return result;
}

// readRequestStrings(inputs): gets the five request properties and reads every string in them
// (a string, or each element of an array of strings) into one text buffer, and does nothing
// else: the cost of reading a request's strings through Node-API.
napi::Result<napi_value> read_request_strings(napi_env env, napi_callback_info info) {
  BINDING_ASSIGN(auto call, napi::get_cb_info<1>(env, info));
  TextBuffer texts;
  for (const char* name : {"queries", "headers", "cookies", "uriPath", "method"}) {
    BINDING_ASSIGN(napi_value value, napi::get_named(env, call.arg(0), name));
    BINDING_ASSIGN(napi::ValueType type, napi::type_of(env, value));
    if (type == napi::ValueType::String) {
      BINDING_TRY(texts.append_string(env, value));
    } else if (type == napi::ValueType::Object) {
      BINDING_ASSIGN(std::uint32_t length, napi::get_array_length(env, value));
      for (std::uint32_t index = 0; index < length; ++index) {
        BINDING_ASSIGN(napi_value element, napi::get_element(env, value, index));
        BINDING_TRY(texts.append_string(env, element));
      }
    }
  }
  return napi::get_undefined(env);
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
                             {"readTexts", napi::guarded<read_texts>},
                             {"readRequestStrings", napi::guarded<read_request_strings>},
                             {"throwError", napi::guarded<throw_error>},
                             {"panic", napi::guarded<panic>}};
  for (const Export& e : exported) {
    if (!define(env, exports, e.name, e.callback)) return nullptr;
  }
  return exports;
}
