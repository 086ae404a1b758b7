#include "core/text/unicode.h"

#include <gtest/gtest.h>
#include <unicode/uchar.h>

#include <algorithm>
#include <iterator>

namespace sorvane::text {
namespace {

bool in_ranges(std::span<const CodeRange> ranges, char32_t c) {
  auto it = std::upper_bound(ranges.begin(), ranges.end(), c,
                             [](char32_t v, CodeRange r) { return v < r.first; });
  return it != ranges.begin() && c <= std::prev(it)->last;
}

TEST(UnicodeRanges, AreSortedDisjointAndAgreeWithThePredicates) {
  for (auto ranges : {word_char_ranges(), white_space_ranges(), decimal_digit_ranges()}) {
    ASSERT_FALSE(ranges.empty());
    for (std::size_t i = 1; i < ranges.size(); ++i) {
      EXPECT_LE(ranges[i - 1].first, ranges[i - 1].last);
      EXPECT_LT(ranges[i - 1].last + 1, ranges[i].first);
    }
  }
  for (char32_t c = 0; c <= 0x10FFFF; ++c) {
    ASSERT_EQ(in_ranges(word_char_ranges(), c), is_word_char(c)) << std::hex << static_cast<unsigned>(c);
    ASSERT_EQ(in_ranges(white_space_ranges(), c), is_white_space(c)) << std::hex << static_cast<unsigned>(c);
    ASSERT_EQ(in_ranges(decimal_digit_ranges(), c), is_decimal_digit(c)) << std::hex << static_cast<unsigned>(c);
  }
}

// Case-insensitive expressions fold the members of a class; the word set must not grow
// or shrink under folding, or (?i)\w and (?i)[^\w] would disagree with \b.
TEST(UnicodeRanges, WordSetIsClosedUnderCaseFolding) {
  for (char32_t c = 0; c <= 0x10FFFF; ++c) {
    const auto folded = static_cast<char32_t>(u_foldCase(static_cast<UChar32>(c), U_FOLD_CASE_DEFAULT));
    ASSERT_EQ(is_word_char(c), is_word_char(folded)) << std::hex << static_cast<unsigned>(c);
  }
}

TEST(UnicodeWordChar, Members) {
  struct Case {
    char32_t c;
    bool word;
  } const cases[] = {
      {U'a', true},     {U'Z', true},     {U'0', true},     {U'_', true},
      {U'-', false},    {U' ', false},    {0xE9, true},     {0x0663, true},   // Arabic-Indic 3
      {0x0301, true},   {0x00B2, false},  {0x00A0, false},  {0x200C, true},   // ZWNJ
      {0x200D, true},   {0x203F, true},   {0x2160, true},   {0x24B6, true},   // Ⅰ, Ⓐ
      {0x3000, false},  {0x1F600, false},
  };
  for (const Case& c : cases) EXPECT_EQ(is_word_char(c.c), c.word) << std::hex << static_cast<unsigned>(c.c);
}

}  // namespace
}  // namespace sorvane::text
