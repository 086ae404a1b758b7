// The catch-all guard around the constructor and every method body: no C++ exception
// crosses into the JavaScript engine.
#pragma once

#include <exception>
#include <type_traits>

#include "bindings/node/support/binding_error.h"
#include "core/fatal_error.h"

namespace bindings::node::support {

// The reason given for an exception that carries no text.
inline constexpr std::string_view kUnknownPanicReason =
    "native code panicked with a payload that cannot be shown";

// Runs `body` (returning a Result or Status) and turns any exception it throws into a
// GenericFailure: a fatal error's whole message, another exception's what(), or a fixed text.
template <class Body>
auto run_guarded(Body&& body) -> std::invoke_result_t<Body&> {
  using R = std::invoke_result_t<Body&>;
  try {
    try {
      return body();
    } catch (const sorvane::FatalError& e) {
      return R(generic_failure(e.message()));
    } catch (const std::exception& e) {
      return R(generic_failure(e.what()));
    } catch (...) {
      return R(generic_failure(std::string(kUnknownPanicReason)));
    }
  } catch (...) {
    // Building the error itself failed (out of memory): an empty reason needs no allocation.
    return R(BindingError{BindingStatus::GenericFailure, {}});
  }
}

}  // namespace bindings::node::support
