// The one-pass summary of an input that every rule reads.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace sorvane::evaluation::rules::input_traits {

// Character-class bits of `AsciiCharRange` and `InputTraits::flags`.
inline constexpr std::uint16_t kBlank = 0x01;
inline constexpr std::uint16_t kNonAscii = 0x02;
inline constexpr std::uint16_t kAlnum = 0x04;
inline constexpr std::uint16_t kOther = 0x08;
inline constexpr std::uint16_t kLineBreak = 0x10;
inline constexpr std::uint16_t kClass20 = 0x20;
inline constexpr std::uint16_t kClass40 = 0x40;
inline constexpr std::uint16_t kClass80 = 0x80;
inline constexpr std::uint16_t kNotBase64 = 0x100;

struct AsciiCharRange {
  std::array<std::uint16_t, 128> classes{};

  // Adds `bit` to every ASCII code that does not occur in `chars`.
  void add_not_chars(std::uint16_t bit, std::string_view chars);
};

// The process-wide class table, built on first use.
const AsciiCharRange& ascii_char_range();

}  // namespace sorvane::evaluation::rules::input_traits

namespace sorvane::evaluation::rules {

struct InputTraits {
  std::uint64_t ascii_lo = 0;  // codes 0..63
  std::uint64_t ascii_hi = 0;  // codes 64..127
  std::uint16_t flags = 0;
  std::uint8_t context = 0;    // the InputType value, or 0 for a Referer header value

  bool has_char(char32_t c) const {
    if (c >= 128) return false;
    return c < 64 ? (ascii_lo >> c) & 1 : (ascii_hi >> (c - 64)) & 1;
  }
  bool has_flag(std::uint16_t bits) const { return (flags & bits) != 0; }
};

InputTraits compute_input_traits(std::string_view text, std::uint8_t context);

}  // namespace sorvane::evaluation::rules
