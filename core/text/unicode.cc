#include "core/text/unicode.h"

#include <unicode/uchar.h>
#include <unicode/uset.h>

#include <vector>

#include "core/fatal_error.h"

namespace sorvane::text {

bool is_alphabetic(char32_t c) {
  if (c < 0x80) return (c | 0x20) >= 'a' && (c | 0x20) <= 'z';
  return u_hasBinaryProperty(static_cast<UChar32>(c), UCHAR_ALPHABETIC);
}

bool is_numeric(char32_t c) {
  if (c < 0x80) return c >= '0' && c <= '9';
  const auto mask = U_GET_GC_MASK(static_cast<UChar32>(c));
  return (mask & (U_GC_ND_MASK | U_GC_NL_MASK | U_GC_NO_MASK)) != 0;
}

bool is_decimal_digit(char32_t c) {
  if (c < 0x80) return c >= '0' && c <= '9';
  return u_charType(static_cast<UChar32>(c)) == U_DECIMAL_DIGIT_NUMBER;
}

bool is_word_char(char32_t c) {
  if (c < 0x80) return ((c | 0x20) >= 'a' && (c | 0x20) <= 'z') || (c >= '0' && c <= '9') || c == '_';
  const auto ch = static_cast<UChar32>(c);
  if (u_hasBinaryProperty(ch, UCHAR_ALPHABETIC) || u_hasBinaryProperty(ch, UCHAR_JOIN_CONTROL)) {
    return true;
  }
  return (U_GET_GC_MASK(ch) & (U_GC_M_MASK | U_GC_ND_MASK | U_GC_PC_MASK)) != 0;
}

namespace {

std::vector<CodeRange> ranges_of(const char16_t* set_pattern) {
  UErrorCode status = U_ZERO_ERROR;
  USet* set = uset_openPattern(reinterpret_cast<const UChar*>(set_pattern), -1, &status);
  if (U_FAILURE(status)) panic("the Unicode tables reject a property set");
  std::vector<CodeRange> out;
  const int32_t count = uset_getRangeCount(set);
  out.reserve(static_cast<std::size_t>(count));
  for (int32_t i = 0; i < count; ++i) {
    UChar32 first = 0, last = 0;
    uset_getItem(set, i, &first, &last, nullptr, 0, &status);
    out.push_back({static_cast<char32_t>(first), static_cast<char32_t>(last)});
  }
  uset_close(set);
  return out;
}

}  // namespace

std::span<const CodeRange> word_char_ranges() {
  static const std::vector<CodeRange> ranges =
      ranges_of(u"[[:Alphabetic:][:M:][:Nd:][:Pc:][:Join_Control:]]");
  return ranges;
}

std::span<const CodeRange> white_space_ranges() {
  static const std::vector<CodeRange> ranges = ranges_of(u"[:White_Space:]");
  return ranges;
}

std::span<const CodeRange> decimal_digit_ranges() {
  static const std::vector<CodeRange> ranges = ranges_of(u"[:Nd:]");
  return ranges;
}

}  // namespace sorvane::text
