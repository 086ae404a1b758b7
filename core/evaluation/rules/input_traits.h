// The one-pass summary of an input that every rule reads.
#pragma once

#include <cstdint>
#include <string_view>

#include "core/text/char_classes.h"

namespace sorvane::evaluation::rules {

// A set of ASCII characters in the form of InputTraits' bits, e.g.
// `constexpr CharMask kQuotes = CharMask::of("'\"")`.
struct CharMask {
  std::uint64_t lo = 0;  // codes 0..63
  std::uint64_t hi = 0;  // codes 64..127
  static constexpr CharMask of(std::string_view chars) {
    CharMask mask;
    for (char c : chars) {
      const auto code = static_cast<unsigned char>(c);
      if (code < 64) mask.lo |= std::uint64_t{1} << code;
      else if (code < 128) mask.hi |= std::uint64_t{1} << (code - 64);
    }
    return mask;
  }
};

struct InputTraits {
  std::uint64_t ascii_lo = 0;  // codes 0..63
  std::uint64_t ascii_hi = 0;  // codes 64..127
  text::char_classes::Flags flags = 0;  // the classes of the text's bytes
  std::uint8_t context = 0;    // the InputType value, or 0 for a Referer header value

  bool has_char(char32_t c) const {
    if (c >= 128) return false;
    return c < 64 ? (ascii_lo >> c) & 1 : (ascii_hi >> (c - 64)) & 1;
  }
  bool has_flag(text::char_classes::Flags bits) const { return (flags & bits) != 0; }
  // Whether the text holds one of the characters of `mask`.
  bool has_any(const CharMask& mask) const {
    return ((ascii_lo & mask.lo) | (ascii_hi & mask.hi)) != 0;
  }
};

InputTraits compute_input_traits(std::string_view text, std::uint8_t context);

}  // namespace sorvane::evaluation::rules
