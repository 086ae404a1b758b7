// Unicode character properties used by the tokenizers, scanners and match functions.
#pragma once

#include <span>

namespace sorvane::text {

// An inclusive range of scalar values.
struct CodeRange {
  char32_t first;
  char32_t last;
  bool operator==(const CodeRange&) const = default;
};

// The White_Space property: TAB, LF, VT, FF, CR, SPACE, U+0085, U+00A0, U+1680,
// U+2000..U+200A, U+2028, U+2029, U+202F, U+205F, U+3000.
constexpr bool is_white_space(char32_t c) {
  if (c <= 0x20) return c == 0x20 || (c >= 0x09 && c <= 0x0D);
  if (c < 0x85) return false;
  return c == 0x85 || c == 0xA0 || c == 0x1680 || (c >= 0x2000 && c <= 0x200A) ||
         c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000;
}

// The Alphabetic property.
bool is_alphabetic(char32_t c);

// General categories Nd, Nl or No.
bool is_numeric(char32_t c);

// General category Nd.
bool is_decimal_digit(char32_t c);

// Alphabetic or numeric (Nd, Nl, No).
inline bool is_alphanumeric(char32_t c) { return is_alphabetic(c) || is_numeric(c); }

// The word characters of regular expressions: Alphabetic, marks (M), Nd, connector
// punctuation (Pc) and Join_Control (U+200C, U+200D).
bool is_word_char(char32_t c);

// Whether `c` lies in one of `ranges` (sorted by their first value, disjoint).
bool in_ranges(std::span<const CodeRange> ranges, char32_t c);

// The sets above as sorted, disjoint, non-adjacent ranges, from the generated tables of
// core/text/unicode_tables.h (Unicode 15.0).
std::span<const CodeRange> word_char_ranges();
std::span<const CodeRange> white_space_ranges();
std::span<const CodeRange> decimal_digit_ranges();

}  // namespace sorvane::text
