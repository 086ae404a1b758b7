#include "bindings/node/js_string_reader.h"

#include "bindings/node/support/text_view.h"

namespace bindings::node {

napi::Result<JsStringReader> JsStringReader::from_value(napi_env env, napi_value value) {
  BINDING_ASSIGN(napi::ValueType type, napi::type_of(env, value));
  if (type == napi::ValueType::String) {
    BINDING_ASSIGN(std::string text, napi::get_value_string_utf8(env, value));
    return JsStringReader(Kind::String, std::move(text), {});
  }
  if (type != napi::ValueType::Object) {
    return support::invalid_arg("data must be a string, String object or Buffer with utf8 encoding");
  }
  BINDING_ASSIGN(bool buffer, napi::is_buffer(env, value));
  if (buffer) {
    BINDING_ASSIGN(std::string_view bytes, napi::get_buffer_bytes(env, value));
    return JsStringReader(Kind::Buffer, {}, bytes);
  }
  BINDING_ASSIGN(napi_value global, napi::get_global(env));
  BINDING_ASSIGN(napi_value string_ctor, napi::get_named(env, global, "String"));
  BINDING_TRY(napi::expect_type(env, string_ctor, napi::ValueType::Function));
  BINDING_ASSIGN(bool string_object, napi::instance_of(env, value, string_ctor));
  if (!string_object) {
    return support::invalid_arg("object must be a String object or utf8 buffer");
  }
  BINDING_ASSIGN(napi_value coerced, napi::coerce_to_string(env, value));
  BINDING_ASSIGN(std::string text, napi::get_value_string_utf8(env, coerced));
  return JsStringReader(Kind::StringObject, std::move(text), {});
}

napi::Result<bool> JsStringReader::read_can_run_javascript(napi_env env, napi_value value) {
  BINDING_ASSIGN(napi::ValueType type, napi::type_of(env, value));
  if (type != napi::ValueType::Object) return false;
  BINDING_ASSIGN(bool buffer, napi::is_buffer(env, value));
  return !buffer;
}

napi::Result<std::string_view> JsStringReader::get_as_str() const {
  if (kind_ == Kind::Buffer) return support::utf8_view(borrowed_);
  return support::until_nul(owned_);
}

std::string_view JsStringReader::get_as_bytes() const {
  if (kind_ == Kind::Buffer) return borrowed_;
  return support::until_nul(owned_);
}

}  // namespace bindings::node
