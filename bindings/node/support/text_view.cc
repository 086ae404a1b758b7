#include "bindings/node/support/text_view.h"

#include <fmt/format.h>

#include "core/text/utf8.h"

namespace bindings::node::support {

std::optional<std::string> utf8_error_description(std::string_view bytes) {
  auto error = sorvane::text::validate_utf8(bytes);
  if (!error) return std::nullopt;
  return error->error_len
             ? fmt::format("invalid utf-8 sequence of {} bytes from index {}", *error->error_len,
                           error->valid_up_to)
             : fmt::format("incomplete utf-8 byte sequence from index {}", error->valid_up_to);
}

Result<std::string_view> utf8_view(std::string_view bytes) {
  auto description = utf8_error_description(bytes);
  if (!description) return bytes;
  return invalid_arg("buffer must be utf8 encoded: " + *description);
}

std::string_view until_nul(std::string_view bytes) {
  return bytes.substr(0, bytes.find('\0'));
}

}  // namespace bindings::node::support
