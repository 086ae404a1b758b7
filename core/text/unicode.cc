#include "core/text/unicode.h"

#include <algorithm>
#include <iterator>

#include "core/text/unicode_tables.h"

namespace sorvane::text {

bool in_ranges(std::span<const CodeRange> ranges, char32_t c) {
  const auto it = std::upper_bound(ranges.begin(), ranges.end(), c,
                                   [](char32_t v, const CodeRange& r) { return v < r.first; });
  return it != ranges.begin() && c <= std::prev(it)->last;
}

bool is_alphabetic(char32_t c) {
  if (c < 0x80) return (c | 0x20) >= 'a' && (c | 0x20) <= 'z';
  return in_ranges(unicode_tables::kAlphabetic, c);
}

bool is_numeric(char32_t c) {
  if (c < 0x80) return c >= '0' && c <= '9';
  return in_ranges(unicode_tables::kNumeric, c);
}

bool is_decimal_digit(char32_t c) {
  if (c < 0x80) return c >= '0' && c <= '9';
  return in_ranges(unicode_tables::kDecimalDigit, c);
}

bool is_word_char(char32_t c) {
  if (c < 0x80) return ((c | 0x20) >= 'a' && (c | 0x20) <= 'z') || (c >= '0' && c <= '9') || c == '_';
  return in_ranges(unicode_tables::kWordChar, c);
}

std::span<const CodeRange> word_char_ranges() { return unicode_tables::kWordChar; }
std::span<const CodeRange> white_space_ranges() { return unicode_tables::kWhiteSpace; }
std::span<const CodeRange> decimal_digit_ranges() { return unicode_tables::kDecimalDigit; }

}  // namespace sorvane::text
