// The bindings' failure value and the helpers every callback uses to build and pass it on.
// Nothing here calls Node-API, so it is tested natively.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/expected.h"

namespace bindings::node::support {

// The status of a failed step. 1..21 mirror the Node-API statuses one to one; any other
// non-zero Node-API status becomes Unknown.
enum class BindingStatus : std::uint8_t {
  InvalidArg = 1,
  ObjectExpected = 2,
  StringExpected = 3,
  NameExpected = 4,
  FunctionExpected = 5,
  NumberExpected = 6,
  BooleanExpected = 7,
  ArrayExpected = 8,
  GenericFailure = 9,
  PendingException = 10,
  Cancelled = 11,
  EscapeCalledTwice = 12,
  HandleScopeMismatch = 13,
  CallbackScopeMismatch = 14,
  QueueFull = 15,
  Closing = 16,
  BigintExpected = 17,
  DateExpected = 18,
  ArrayBufferExpected = 19,
  DetachableArraybufferExpected = 20,
  WouldDeadlock = 21,
  Unknown = 255,
};

// The status of a non-zero Node-API status value.
BindingStatus status_from_napi(int napi_status);

// "InvalidArg" ... "WouldDeadlock", "Unknown": the `code` of the thrown error.
std::string_view status_name(BindingStatus status);

struct BindingError {
  BindingStatus status = BindingStatus::GenericFailure;
  // Empty for a failing Node-API call, otherwise the message (may hold NUL characters).
  std::string reason;

  bool operator==(const BindingError&) const = default;
};

inline BindingError invalid_arg(std::string reason) {
  return {BindingStatus::InvalidArg, std::move(reason)};
}
inline BindingError generic_failure(std::string reason) {
  return {BindingStatus::GenericFailure, std::move(reason)};
}

// The type of a JavaScript value; the values are those of Node-API's napi_valuetype.
enum class ValueType : std::uint8_t {
  Undefined = 0,
  Null = 1,
  Boolean = 2,
  Number = 3,
  String = 4,
  Symbol = 5,
  Object = 6,
  Function = 7,
  External = 8,
  Bigint = 9,
};

// "Undefined" ... "External"; any other type (a bigint) is "Unknown".
std::string_view value_type_name(ValueType type);

// InvalidArg with "expect <expected>, got: <actual>": the failure of every typed read.
BindingError type_mismatch_error(ValueType expected, ValueType actual);

// The text of a module-load failure: "Error initializing module: <status>[, <reason>]".
std::string module_init_message(const BindingError& error);

// The result of a step: a value or the BindingError that ended it.
template <class T>
using Result = sorvane::Expected<T, BindingError>;
using Status = Result<void>;

}  // namespace bindings::node::support

#define BINDING_CONCAT_INNER(a, b) a##b
#define BINDING_CONCAT(a, b) BINDING_CONCAT_INNER(a, b)

// Evaluates `expr` (a Result or Status); returns its error from the enclosing function.
#define BINDING_TRY(expr)                                       \
  do {                                                          \
    if (auto binding_try_result = (expr); !binding_try_result) \
      return std::move(binding_try_result).error();             \
  } while (0)

// `BINDING_ASSIGN(auto x, expr);` declares or assigns `x` from a Result, or returns its error.
#define BINDING_ASSIGN(lhs, expr) \
  BINDING_ASSIGN_IMPL(BINDING_CONCAT(binding_assign_, __LINE__), lhs, expr)
#define BINDING_ASSIGN_IMPL(tmp, lhs, expr)     \
  auto tmp = (expr);                            \
  if (!tmp) return std::move(tmp).error();      \
  lhs = std::move(tmp).value()
