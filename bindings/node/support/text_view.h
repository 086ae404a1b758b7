// Text views of argument bytes, shared by the reader of text arguments.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "bindings/node/support/binding_error.h"

namespace bindings::node::support {

// None for UTF-8; otherwise the description of the first error: "invalid utf-8 sequence of
// {} bytes from index {}" or "incomplete utf-8 byte sequence from index {}".
std::optional<std::string> utf8_error_description(std::string_view bytes);

// `bytes` as text when they are UTF-8; otherwise InvalidArg "buffer must be utf8 encoded: "
// followed by the description of the first error.
Result<std::string_view> utf8_view(std::string_view bytes);

// The prefix of `bytes` before the first zero byte (all of it when there is none).
std::string_view until_nul(std::string_view bytes);

}  // namespace bindings::node::support
