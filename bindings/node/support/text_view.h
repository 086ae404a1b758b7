// Text views of argument bytes, shared by the reader of text arguments.
#pragma once

#include <cstddef>
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

// The most UTF-8 bytes that `utf16_to_utf8_until_nul` writes for `units` code units.
constexpr std::size_t utf8_capacity_for_utf16(std::size_t units) { return 3 * units; }

// Writes the UTF-8 form of the UTF-16 text `units` up to its first NUL code unit into `out`
// (at least utf8_capacity_for_utf16(units.size()) bytes) and returns the bytes written. A
// surrogate pair becomes its character; a lone surrogate becomes U+FFFD, as JavaScript's own
// UTF-8 encoding of strings does.
std::size_t utf16_to_utf8_until_nul(std::u16string_view units, char* out);

}  // namespace bindings::node::support
