// The reader of one text argument: a JavaScript string, a String object or a Buffer.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "bindings/node/napi.h"

namespace bindings::node {

// The views that get_as_str and get_as_bytes return point into the reader (or, for a Buffer,
// into the engine's memory): take them once the reader is in place, use them during the call.
class JsStringReader {
 public:
  enum class Kind { String, StringObject, Buffer };

  // Reads argument `index` of `call`; an index at or past the callback's capacity is a
  // GenericFailure "Arguments index out of range" (an argument not passed reads undefined).
  template <std::size_t N>
  static napi::Result<JsStringReader> init(const napi::CallInfo<N>& call, std::size_t index) {
    if (index >= N) return napi::BindingError{napi::BindingStatus::GenericFailure,
                                              "Arguments index out of range"};
    return from_value(call.env, call.arg(index));
  }

  // Reads one value: strings and String objects are copied as UTF-8, a Buffer is borrowed.
  static napi::Result<JsStringReader> from_value(napi_env env, napi_value value);

  // Whether reading `value` with from_value can run JavaScript: only an object that is not a
  // Buffer is tested and coerced as a String object (the global String may be a getter,
  // instanceof may reach Symbol.hasInstance or a Proxy, toString is user code).
  static napi::Result<bool> read_can_run_javascript(napi_env env, napi_value value);

  Kind kind() const { return kind_; }

  // The text: a string up to its first NUL character; a Buffer whole, validated as UTF-8.
  napi::Result<std::string_view> get_as_str() const;

  // The bytes: a string up to its first NUL character; a Buffer whole, not validated.
  std::string_view get_as_bytes() const;

 private:
  JsStringReader(Kind kind, std::string owned, std::string_view borrowed)
      : kind_(kind), owned_(std::move(owned)), borrowed_(borrowed) {}

  Kind kind_;
  std::string owned_;           // String, StringObject
  std::string_view borrowed_;   // Buffer: valid for the duration of the call
};

}  // namespace bindings::node
