#include "bindings/node/support/text_view.h"

#include <bit>
#include <cstdint>
#include <cstring>

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

std::size_t utf16_to_utf8_until_nul(std::u16string_view units, char* out) {
  char* const start = out;
  const std::size_t n = units.size();
  for (std::size_t i = 0; i < n; ++i) {
    // Four ASCII units, none of them NUL, at a time (on little-endian machines the first
    // unit is the lowest of the word).
    if constexpr (std::endian::native == std::endian::little) {
      constexpr std::uint64_t kNonAscii = 0xFF80FF80FF80FF80u;
      constexpr std::uint64_t kOnes = 0x0001000100010001u;
      constexpr std::uint64_t kHighs = 0x8000800080008000u;
      while (i + 4 <= n) {
        std::uint64_t word;
        std::memcpy(&word, units.data() + i, sizeof word);
        if ((word & kNonAscii) != 0 || ((word - kOnes) & ~word & kHighs) != 0) break;
        out[0] = static_cast<char>(word);
        out[1] = static_cast<char>(word >> 16);
        out[2] = static_cast<char>(word >> 32);
        out[3] = static_cast<char>(word >> 48);
        out += 4;
        i += 4;
      }
      if (i == n) break;
    }
    const char32_t unit = units[i];
    if (unit < 0x80) {
      if (unit == 0) break;
      *out++ = static_cast<char>(unit);
      continue;
    }
    char32_t c = unit;
    if (unit >= 0xD800 && unit <= 0xDFFF) {
      const bool pair = unit <= 0xDBFF && i + 1 < n && units[i + 1] >= 0xDC00 &&
                        units[i + 1] <= 0xDFFF;
      if (pair) {
        c = 0x10000 + ((unit - 0xD800) << 10) + (units[++i] - 0xDC00);
      } else {
        c = 0xFFFD;
      }
    }
    if (c < 0x800) {
      *out++ = static_cast<char>(0xC0 | (c >> 6));
    } else {
      if (c < 0x10000) {
        *out++ = static_cast<char>(0xE0 | (c >> 12));
      } else {
        *out++ = static_cast<char>(0xF0 | (c >> 18));
        *out++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      }
      *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    }
    *out++ = static_cast<char>(0x80 | (c & 0x3F));
  }
  return static_cast<std::size_t>(out - start);
}

}  // namespace bindings::node::support
