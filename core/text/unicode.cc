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

namespace {

// Membership through the two-stage lookup table: a few loads, no search.
template <unicode_tables::PropertyIndex property>
bool has_property(char32_t c) {
  using unicode_tables::kBlockSize;
  if (c > 0x10FFFF) return false;
  const auto& block = unicode_tables::kBlocks[unicode_tables::kBlockOf[c >> unicode_tables::kBlockBits]];
  return (block.bits[property][c % kBlockSize / 64] >> (c % 64)) & 1;
}

}  // namespace

bool is_alphabetic(char32_t c) {
  if (c < 0x80) return (c | 0x20) >= 'a' && (c | 0x20) <= 'z';
  return has_property<unicode_tables::kAlphabeticIndex>(c);
}

bool is_numeric(char32_t c) {
  if (c < 0x80) return c >= '0' && c <= '9';
  return has_property<unicode_tables::kNumericIndex>(c);
}

bool is_decimal_digit(char32_t c) {
  if (c < 0x80) return c >= '0' && c <= '9';
  return has_property<unicode_tables::kDecimalDigitIndex>(c);
}

bool is_word_char(char32_t c) {
  if (c < 0x80) return ((c | 0x20) >= 'a' && (c | 0x20) <= 'z') || (c >= '0' && c <= '9') || c == '_';
  return has_property<unicode_tables::kWordCharIndex>(c);
}

std::span<const CodeRange> word_char_ranges() { return unicode_tables::kWordChar; }
std::span<const CodeRange> white_space_ranges() { return unicode_tables::kWhiteSpace; }
std::span<const CodeRange> decimal_digit_ranges() { return unicode_tables::kDecimalDigit; }

}  // namespace sorvane::text
