#include "bindings/node/support/text_view.h"

#include <fmt/format.h>

#include "core/text/utf8.h"

namespace bindings::node::support {

Result<std::string_view> utf8_view(std::string_view bytes) {
  auto error = sorvane::text::validate_utf8(bytes);
  if (!error) return bytes;
  std::string description =
      error->error_len
          ? fmt::format("invalid utf-8 sequence of {} bytes from index {}", *error->error_len,
                        error->valid_up_to)
          : fmt::format("incomplete utf-8 byte sequence from index {}", error->valid_up_to);
  return invalid_arg("buffer must be utf8 encoded: " + description);
}

std::string_view until_nul(std::string_view bytes) {
  return bytes.substr(0, bytes.find('\0'));
}

}  // namespace bindings::node::support
