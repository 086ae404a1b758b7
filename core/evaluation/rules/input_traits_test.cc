#include "core/evaluation/rules/input_traits.h"

#include <gtest/gtest.h>

#include <string>

namespace sorvane::evaluation::rules {
namespace {

using namespace input_traits;

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
      {';', kOther | kClass20 | kClass40 | kClass80 | kNoBase},
      {'`', kOther | kClass20 | kClass40 | kClass80 | kNoBase},
      {'=', kOther | kClass40 | kClass80},
      {'+', kOther},
      {'/', kOther | kClass20},
      {'-', kOther | kClass20 | kClass40},
      {'_', kOther | kClass80},
      {'&', kOther | kClass20 | kNoBase},
      {'%', kOther | kClass40 | kNoBase},
      {'@', kOther | kClass40 | kNoBase},
      {':', kOther | kClass80 | kNoBase},
      {'"', kOther | kClass40 | kClass80 | kNoBase},
      {'\'', kOther | kClass40 | kClass80 | kNoBase},
      {'<', kOther | kClass20 | kClass80 | kNoBase},
      {'(', kOther | kClass40 | kClass80 | kNoBase},
      {'}', kOther | kClass40 | kNoBase},
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
      {"a=b", kAlnum | kOther | kClass40 | kClass80 | kNotBase64},  // '=' not at the end
      {"a=b=", kAlnum | kOther | kClass40 | kClass80},
      {"YWJj==", kAlnum | kOther | kClass40 | kClass80},
      {"=", kOther | kClass40 | kClass80},
      {"a b=", kAlnum | kBlank | kNotBase64 | kOther | kClass40 | kClass80},
      {"\xc3\xa9", kNonAscii},
      {"\xc3\xa9=x", kNonAscii | kOther | kClass40 | kClass80 | kAlnum | kNotBase64},
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

}  // namespace
}  // namespace sorvane::evaluation::rules
