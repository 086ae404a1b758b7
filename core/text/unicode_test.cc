#include "core/text/unicode.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <vector>

#include "core/text/unicode_tables.h"

#if QUENLITH_TEST_WITH_ICU
#include <unicode/uchar.h>
#include <unicode/uset.h>
#include <unicode/uversion.h>
#endif

namespace sorvane::text {
namespace {

struct Table {
  const char* name;
  std::span<const CodeRange> ranges;
};

const Table kTables[] = {
    {"Alphabetic", unicode_tables::kAlphabetic},     {"Numeric", unicode_tables::kNumeric},
    {"DecimalDigit", unicode_tables::kDecimalDigit}, {"WordChar", unicode_tables::kWordChar},
    {"WhiteSpace", unicode_tables::kWhiteSpace},
};

TEST(UnicodeTables, AreSortedDisjointNonAdjacentScalarRanges) {
  for (const Table& t : kTables) {
    ASSERT_FALSE(t.ranges.empty()) << t.name;
    for (std::size_t i = 0; i < t.ranges.size(); ++i) {
      EXPECT_LE(t.ranges[i].first, t.ranges[i].last) << t.name << " #" << i;
      EXPECT_LE(t.ranges[i].last, 0x10FFFFu) << t.name << " #" << i;
      if (i > 0) {
        EXPECT_LT(t.ranges[i - 1].last + 1, t.ranges[i].first) << t.name << " #" << i;
      }
    }
  }
}

// The predicates read the lookup table, the regular-expression classes the ranges: both
// must hold the same sets.
TEST(UnicodeRanges, AgreeWithThePredicates) {
  for (char32_t c = 0; c <= 0x10FFFF; ++c) {
    ASSERT_EQ(in_ranges(unicode_tables::kAlphabetic, c), is_alphabetic(c)) << std::hex << static_cast<unsigned>(c);
    ASSERT_EQ(in_ranges(unicode_tables::kNumeric, c), is_numeric(c)) << std::hex << static_cast<unsigned>(c);
    ASSERT_EQ(in_ranges(word_char_ranges(), c), is_word_char(c)) << std::hex << static_cast<unsigned>(c);
    ASSERT_EQ(in_ranges(white_space_ranges(), c), is_white_space(c)) << std::hex << static_cast<unsigned>(c);
    ASSERT_EQ(in_ranges(decimal_digit_ranges(), c), is_decimal_digit(c)) << std::hex << static_cast<unsigned>(c);
  }
}

TEST(UnicodePredicates, RejectValuesBeyondTheCodeSpace) {
  for (char32_t c : {char32_t{0x110000}, char32_t{0x1FFFFF}, char32_t{0x80000000}, char32_t{0xFFFFFFFF}}) {
    EXPECT_FALSE(is_alphabetic(c) || is_numeric(c) || is_decimal_digit(c) || is_word_char(c) ||
                 is_white_space(c))
        << std::hex << static_cast<unsigned>(c);
  }
}

TEST(UnicodeInRanges, EdgesOfRanges) {
  const CodeRange ranges[] = {{0x10, 0x12}, {0x20, 0x20}, {0x10FFF0, 0x10FFFF}};
  struct Case {
    char32_t c;
    bool in;
  } const cases[] = {
      {0x00, false}, {0x0F, false}, {0x10, true},      {0x11, true},      {0x12, true},
      {0x13, false}, {0x1F, false}, {0x20, true},      {0x21, false},     {0x10FFEF, false},
      {0x10FFF0, true}, {0x10FFFF, true}, {0x110000, false}, {0xFFFFFFFF, false},
  };
  for (const Case& c : cases) EXPECT_EQ(in_ranges(ranges, c.c), c.in) << std::hex << static_cast<unsigned>(c.c);
  EXPECT_FALSE(in_ranges({}, 0));
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

TEST(UnicodeClasses, Members) {
  struct Case {
    char32_t c;
    bool alphabetic, numeric, decimal;
  } const cases[] = {
      {U'a', true, false, false},    {U'7', false, true, true},     {U'_', false, false, false},
      {0x00AA, true, false, false},  {0x00B2, false, true, false},  {0x0345, true, false, false},
      {0x0669, false, true, true},   {0x2160, true, true, false},   {0x3007, true, true, false},
      {0x4E00, true, false, false},  {0x1D7CE, false, true, true},  {0x1F100, false, true, false},
      {0x20000, true, false, false}, {0x323AF, true, false, false}, {0x323B0, false, false, false},
      {0xE0001, false, false, false}, {0x10FFFF, false, false, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(is_alphabetic(c.c), c.alphabetic) << std::hex << static_cast<unsigned>(c.c);
    EXPECT_EQ(is_numeric(c.c), c.numeric) << std::hex << static_cast<unsigned>(c.c);
    EXPECT_EQ(is_decimal_digit(c.c), c.decimal) << std::hex << static_cast<unsigned>(c.c);
    EXPECT_EQ(is_alphanumeric(c.c), c.alphabetic || c.numeric) << std::hex << static_cast<unsigned>(c.c);
  }
}

// The committed tables against the host's ICU, when the tests are built with it.
#if QUENLITH_TEST_WITH_ICU

bool icu_matches_table_version() {
  UVersionInfo icu, tables;
  u_getUnicodeVersion(icu);
  u_versionFromString(tables, unicode_tables::kUnicodeVersion);
  return std::equal(std::begin(icu), std::end(icu), std::begin(tables));
}

#define SKIP_UNLESS_ICU_HAS_TABLE_VERSION()                                                 \
  do {                                                                                       \
    if (!icu_matches_table_version()) {                                                     \
      GTEST_SKIP() << "the host's ICU implements Unicode " << U_UNICODE_VERSION              \
                   << ", the committed tables Unicode " << unicode_tables::kUnicodeVersion; \
    }                                                                                        \
  } while (0)

bool icu_alphabetic(UChar32 c) { return u_hasBinaryProperty(c, UCHAR_ALPHABETIC); }
bool icu_numeric(UChar32 c) { return (U_GET_GC_MASK(c) & (U_GC_ND_MASK | U_GC_NL_MASK | U_GC_NO_MASK)) != 0; }
bool icu_decimal_digit(UChar32 c) { return u_charType(c) == U_DECIMAL_DIGIT_NUMBER; }
bool icu_white_space(UChar32 c) { return u_hasBinaryProperty(c, UCHAR_WHITE_SPACE); }
bool icu_word_char(UChar32 c) {
  return icu_alphabetic(c) || u_hasBinaryProperty(c, UCHAR_JOIN_CONTROL) ||
         (U_GET_GC_MASK(c) & (U_GC_M_MASK | U_GC_ND_MASK | U_GC_PC_MASK)) != 0;
}

TEST(UnicodeTablesAgainstIcu, EveryCodePointHasTheSameProperties) {
  SKIP_UNLESS_ICU_HAS_TABLE_VERSION();
  for (char32_t c = 0; c <= 0x10FFFF; ++c) {
    const auto ch = static_cast<UChar32>(c);
    ASSERT_EQ(is_alphabetic(c), icu_alphabetic(ch)) << std::hex << static_cast<unsigned>(c);
    ASSERT_EQ(is_numeric(c), icu_numeric(ch)) << std::hex << static_cast<unsigned>(c);
    ASSERT_EQ(is_decimal_digit(c), icu_decimal_digit(ch)) << std::hex << static_cast<unsigned>(c);
    ASSERT_EQ(is_word_char(c), icu_word_char(ch)) << std::hex << static_cast<unsigned>(c);
    ASSERT_EQ(is_white_space(c), icu_white_space(ch)) << std::hex << static_cast<unsigned>(c);
  }
}

std::vector<CodeRange> icu_ranges(const char16_t* pattern) {
  UErrorCode status = U_ZERO_ERROR;
  USet* set = uset_openPattern(reinterpret_cast<const UChar*>(pattern), -1, &status);
  EXPECT_TRUE(U_SUCCESS(status)) << u_errorName(status);
  std::vector<CodeRange> out;
  if (U_FAILURE(status)) return out;
  for (int32_t i = 0; i < uset_getRangeCount(set); ++i) {
    UChar32 first = 0, last = 0;
    uset_getItem(set, i, &first, &last, nullptr, 0, &status);
    out.push_back({static_cast<char32_t>(first), static_cast<char32_t>(last)});
  }
  uset_close(set);
  return out;
}

// The regular-expression classes are built from these ranges, so they must be ICU's sets
// range for range.
TEST(UnicodeTablesAgainstIcu, RangesEqualIcuSets) {
  SKIP_UNLESS_ICU_HAS_TABLE_VERSION();
  struct Case {
    const char* name;
    std::span<const CodeRange> ranges;
    const char16_t* pattern;
  } const cases[] = {
      {"Alphabetic", unicode_tables::kAlphabetic, u"[:Alphabetic:]"},
      {"Numeric", unicode_tables::kNumeric, u"[[:Nd:][:Nl:][:No:]]"},
      {"DecimalDigit", decimal_digit_ranges(), u"[:Nd:]"},
      {"WordChar", word_char_ranges(), u"[[:Alphabetic:][:M:][:Nd:][:Pc:][:Join_Control:]]"},
      {"WhiteSpace", white_space_ranges(), u"[:White_Space:]"},
  };
  for (const Case& c : cases) {
    const std::vector<CodeRange> expected = icu_ranges(c.pattern);
    EXPECT_EQ(std::vector<CodeRange>(c.ranges.begin(), c.ranges.end()), expected) << c.name;
  }
}

// Case-insensitive expressions fold the members of a class; the word set must not grow
// or shrink under folding, or (?i)\w and (?i)[^\w] would disagree with \b.
TEST(UnicodeTablesAgainstIcu, WordSetIsClosedUnderCaseFolding) {
  for (char32_t c = 0; c <= 0x10FFFF; ++c) {
    const auto folded = static_cast<char32_t>(u_foldCase(static_cast<UChar32>(c), U_FOLD_CASE_DEFAULT));
    ASSERT_EQ(is_word_char(c), is_word_char(folded)) << std::hex << static_cast<unsigned>(c);
  }
}

#else

TEST(UnicodeTablesAgainstIcu, Skipped) {
  GTEST_SKIP() << "built without ICU (not found, or a cross build): the committed Unicode tables "
                  "are not compared with ICU";
}

#endif

}  // namespace
}  // namespace sorvane::text
