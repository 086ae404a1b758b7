#include "bindings/node/support/binding_error.h"

#include <array>

#include <fmt/format.h>

namespace bindings::node::support {

BindingStatus status_from_napi(int napi_status) {
  if (napi_status >= 1 && napi_status <= 21) return static_cast<BindingStatus>(napi_status);
  return BindingStatus::Unknown;
}

std::string_view status_name(BindingStatus status) {
  static constexpr std::array<std::string_view, 22> kNames = {
      "",
      "InvalidArg",
      "ObjectExpected",
      "StringExpected",
      "NameExpected",
      "FunctionExpected",
      "NumberExpected",
      "BooleanExpected",
      "ArrayExpected",
      "GenericFailure",
      "PendingException",
      "Cancelled",
      "EscapeCalledTwice",
      "HandleScopeMismatch",
      "CallbackScopeMismatch",
      "QueueFull",
      "Closing",
      "BigintExpected",
      "DateExpected",
      "ArrayBufferExpected",
      "DetachableArraybufferExpected",
      "WouldDeadlock"};
  auto v = static_cast<std::size_t>(status);
  return v >= 1 && v < kNames.size() ? kNames[v] : "Unknown";
}

std::string_view value_type_name(ValueType type) {
  static constexpr std::array<std::string_view, 9> kNames = {
      "Undefined", "Null", "Boolean", "Number", "String", "Symbol", "Object", "Function", "External"};
  auto v = static_cast<std::size_t>(type);
  return v < kNames.size() ? kNames[v] : "Unknown";
}

BindingError type_mismatch_error(ValueType expected, ValueType actual) {
  return invalid_arg(
      fmt::format("expect {}, got: {}", value_type_name(expected), value_type_name(actual)));
}

std::string module_init_message(const BindingError& error) {
  if (error.reason.empty()) {
    return fmt::format("Error initializing module: {}", status_name(error.status));
  }
  return fmt::format("Error initializing module: {}, {}", status_name(error.status), error.reason);
}

}  // namespace bindings::node::support
