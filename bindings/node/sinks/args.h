// Argument reads shared by the sink and semantic-check methods.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "bindings/node/js_string_reader.h"
#include "bindings/node/napi.h"

namespace bindings::node::sinks::args {

// InvalidArg with `message` when fewer than `required` arguments were passed.
template <std::size_t N>
napi::Status require(const napi::CallInfo<N>& call, std::size_t required,
                     std::string_view message) {
  if (call.argc < required) return support::invalid_arg(std::string(message));
  return {};
}

// Argument `index` as an unsigned 32-bit number (NumberExpected for any other type).
template <std::size_t N>
napi::Result<std::uint32_t> read_u32(const napi::CallInfo<N>& call, std::size_t index) {
  return napi::get_value_uint32(call.env, call.arg(index));
}

// The span of a user input inside a text: two unsigned 32-bit arguments from `first` on.
struct InputSpan {
  std::uint32_t index = 0;
  std::uint32_t length = 0;
};

template <std::size_t N>
napi::Result<InputSpan> read_span(const napi::CallInfo<N>& call, std::size_t first) {
  BINDING_ASSIGN(std::uint32_t index, read_u32(call, first));
  BINDING_ASSIGN(std::uint32_t length, read_u32(call, first + 1));
  return InputSpan{index, length};
}

// The answer of a method that takes one text argument and answers a boolean: at least one
// argument (else InvalidArg with `missing_message`), read as text, given to `predicate`.
napi::Result<napi_value> text_predicate(napi_env env, napi_callback_info info,
                                        std::string_view missing_message,
                                        bool (*predicate)(std::string_view));

}  // namespace bindings::node::sinks::args
