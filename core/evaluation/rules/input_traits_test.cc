#include "core/evaluation/rules/input_traits.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace sorvane::evaluation::rules {
namespace {

using namespace text::char_classes;
using namespace std::string_view_literals;

TEST(AsciiCharRange, ClassesOfCharacters) {
  constexpr std::uint16_t kNoBase = kNotBase64;
  struct Case {
    char c;
    std::uint16_t classes;
  } const cases[] = {
      {'a', kAlnum},
      {'Z', kAlnum},
      {'5', kAlnum},
      {'\t', kBlank | kNoBase},
      {'\v', kBlank | kNoBase},
      {'\f', kBlank | kNoBase},
      {' ', kBlank | kNoBase},
      {'\n', kOther | kLineBreak | kNoBase},
      {'\r', kOther | kLineBreak | kNoBase},
      {'\0', kOther | kNoBase},
      {'\x7f', kOther | kNoBase},
      {';', kOther | kShellSpecial | kSqlSpecial | kMarkupSpecial | kNoBase},
      {'`', kOther | kShellSpecial | kSqlSpecial | kMarkupSpecial | kNoBase},
      {'=', kOther | kSqlSpecial | kMarkupSpecial},
      {'+', kOther},
      {'/', kOther | kShellSpecial},
      {'-', kOther | kShellSpecial | kSqlSpecial},
      {'_', kOther | kMarkupSpecial},
      {'&', kOther | kShellSpecial | kNoBase},
      {'%', kOther | kSqlSpecial | kNoBase},
      {'@', kOther | kSqlSpecial | kNoBase},
      {':', kOther | kMarkupSpecial | kNoBase},
      {'"', kOther | kSqlSpecial | kMarkupSpecial | kNoBase},
      {'\'', kOther | kSqlSpecial | kMarkupSpecial | kNoBase},
      {'<', kOther | kShellSpecial | kMarkupSpecial | kNoBase},
      {'(', kOther | kSqlSpecial | kMarkupSpecial | kNoBase},
      {'}', kOther | kSqlSpecial | kNoBase},
      {'.', kOther | kNoBase},
  };
  const auto& table = ascii_char_range().classes;
  for (const Case& c : cases) {
    EXPECT_EQ(table[static_cast<unsigned char>(c.c)], c.classes) << "code " << int(c.c);
  }
  for (std::uint16_t entry : table) EXPECT_EQ(entry & kNonAscii, 0);
}

TEST(AsciiCharRange, AddNotCharsCoversEveryOtherCode) {
  AsciiCharRange table;
  table.add_not_chars(0x200, "ab");
  EXPECT_EQ(table.classes['a'], 0);
  EXPECT_EQ(table.classes['b'], 0);
  EXPECT_EQ(table.classes['c'], 0x200);
  EXPECT_EQ(table.classes[0], 0x200);
  EXPECT_EQ(table.classes[127], 0x200);
}

TEST(InputTraits, SetAndFlags) {
  struct Case {
    std::string text;
    std::uint16_t flags;
  } const cases[] = {
      {"", 0},
      {"abc", kAlnum},
      {"a=b", kAlnum | kOther | kSqlSpecial | kMarkupSpecial | kNotBase64},  // '=' not at the end
      {"a=b=", kAlnum | kOther | kSqlSpecial | kMarkupSpecial},
      {"YWJj==", kAlnum | kOther | kSqlSpecial | kMarkupSpecial},
      {"=", kOther | kSqlSpecial | kMarkupSpecial},
      {"a b=", kAlnum | kBlank | kNotBase64 | kOther | kSqlSpecial | kMarkupSpecial},
      {"\xc3\xa9", kNonAscii},
      {"\xc3\xa9=x", kNonAscii | kOther | kSqlSpecial | kMarkupSpecial | kAlnum | kNotBase64},
      {"a\nb", kAlnum | kOther | kLineBreak | kNotBase64},
      {std::string("\0", 1), kOther | kNotBase64},
      {"\xff\x80", kNonAscii},  // invalid UTF-8 is just bytes
  };
  for (const Case& c : cases) {
    const InputTraits t = compute_input_traits(c.text, 9);
    EXPECT_EQ(t.flags, c.flags) << c.text;
    EXPECT_EQ(t.context, 9);
  }
  const InputTraits empty = compute_input_traits("", 0);
  EXPECT_EQ(empty.ascii_lo, 0u);
  EXPECT_EQ(empty.ascii_hi, 0u);
  EXPECT_EQ(empty.context, 0);
}

TEST(InputTraits, CharacterSetWords) {
  const std::string text = std::string("\0?@\x7f" "a\xc3\xa9", 7);
  const InputTraits t = compute_input_traits(text, 4);
  EXPECT_EQ(t.ascii_lo, (std::uint64_t{1} << 0) | (std::uint64_t{1} << '?'));
  EXPECT_EQ(t.ascii_hi, (std::uint64_t{1} << ('@' - 64)) | (std::uint64_t{1} << (0x7f - 64)) |
                            (std::uint64_t{1} << ('a' - 64)));
  for (char32_t c : {U'\0', U'?', U'@', U'\x7f', U'a'}) EXPECT_TRUE(t.has_char(c));
  for (char32_t c : {U'b', U'>', U'A', U'\xe9', U'\xc3', char32_t{0x10FFFF}}) EXPECT_FALSE(t.has_char(c));
}

// The table as it was built at start-up before it became a constant: the same classes.
TEST(AsciiCharRange, SameAsTheTableBuiltAtRunTime) {
  AsciiCharRange old;
  auto add = [&](std::uint16_t bit, std::string_view chars) {
    for (char c : chars) old.classes[static_cast<unsigned char>(c)] |= bit;
  };
  add(0x01, "\t\v\f ");
  add(0x10, "\n\r");
  add(0x04, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789");
  old.add_not_chars(0x08, "\t\v\f ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789");
  add(0x20, "&;|$<>`/-");
  add(0x40, "`';-%()|{}=\"@");
  add(0x80, "'\"=<;(`>:_");
  old.add_not_chars(0x100, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/-_=");
  for (std::size_t code = 0; code < 128; ++code) {
    EXPECT_EQ(kAsciiCharRange.classes[code], old.classes[code]) << "code " << code;
  }
}

// The summary's flags are the text's classes, whichever way they are computed; random texts
// over an alphabet dense in classed characters and '='.
TEST(InputTraits, FlagsAreTheClassesOfTheText) {
  constexpr std::string_view kAlphabet = "a=Z9 \t\n;`'\"<(-_:/%@&|$+\x00\x7f\xc3\xa9\xff"sv;
  std::mt19937 rng(20261211);
  for (int round = 0; round < 20000; ++round) {
    std::string text;
    const std::size_t len = rng() % 12;
    for (std::size_t i = 0; i < len; ++i) text += kAlphabet[rng() % kAlphabet.size()];
    std::uint16_t expected = 0;
    for (unsigned char b : text) expected |= b < 128 ? kAsciiCharRange.classes[b] : kNonAscii;
    if (!(expected & kNotBase64) && text.find('=') != std::string::npos && text.back() != '=') {
      expected |= kNotBase64;
    }
    EXPECT_EQ(compute_input_traits(text, 9).flags, expected) << text;
    EXPECT_EQ(classes_of(text), expected) << text;
  }
}

}  // namespace
}  // namespace sorvane::evaluation::rules
