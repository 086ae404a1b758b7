#include "bindings/node/support/text_view.h"

#include <gtest/gtest.h>

namespace bindings::node::support {
namespace {

TEST(Utf8View, BufferTextIsValidatedWhole) {
  struct Case {
    std::string bytes;
    std::string error;  // empty: the bytes are the text
  };
  const Case cases[] = {
      {"", ""},
      {"abc", ""},
      {std::string("ab\0cd", 5), ""},  // a Buffer is read whole, NUL included
      {"caf\xC3\xA9", ""},
      {"\xFF", "buffer must be utf8 encoded: invalid utf-8 sequence of 1 bytes from index 0"},
      {"\xE2\x82", "buffer must be utf8 encoded: incomplete utf-8 byte sequence from index 0"},
      {"ab\xE2\x82\x28",
       "buffer must be utf8 encoded: invalid utf-8 sequence of 2 bytes from index 2"},
      {"ok\xED\xA0\x80",
       "buffer must be utf8 encoded: invalid utf-8 sequence of 1 bytes from index 2"},
      {"\xF0\x9F\x98", "buffer must be utf8 encoded: incomplete utf-8 byte sequence from index 0"},
  };
  for (const Case& c : cases) {
    auto view = utf8_view(c.bytes);
    if (c.error.empty()) {
      ASSERT_TRUE(view) << c.bytes;
      EXPECT_EQ(*view, c.bytes);
      EXPECT_EQ(view->data(), c.bytes.data());  // a view, not a copy
    } else {
      ASSERT_FALSE(view) << c.bytes;
      EXPECT_EQ(view.error(), invalid_arg(c.error));
    }
  }
}

TEST(UntilNul, StopsAtTheFirstZeroByte) {
  EXPECT_EQ(until_nul(std::string_view("ab\0cd", 5)), "ab");
  EXPECT_EQ(until_nul(std::string_view("\0x", 2)), "");
  EXPECT_EQ(until_nul("abc"), "abc");
  EXPECT_EQ(until_nul(""), "");
}

std::string utf8_of(std::u16string_view units) {
  std::string out(utf8_capacity_for_utf16(units.size()), '\0');
  out.resize(utf16_to_utf8_until_nul(units, out.data()));
  return out;
}

// Each range's edges, surrogate pairs, lone surrogates anywhere and the NUL cut.
TEST(Utf16ToUtf8, EncodesCharactersAndReplacesLoneSurrogates) {
  struct Case {
    std::u16string units;
    std::string utf8;
  };
  const std::string replacement = "\xEF\xBF\xBD";
  const Case cases[] = {
      {u"", ""},
      {u"abc", "abc"},
      {u"\u007F\u0080", "\x7F\xC2\x80"},
      {u"\u07FF\u0800", "\xDF\xBF\xE0\xA0\x80"},
      {u"\uD7FF\uE000\uFFFF", "\xED\x9F\xBF\xEE\x80\x80\xEF\xBF\xBF"},
      {u"\U00010000\U0001F600\U0010FFFF", "\xF0\x90\x80\x80\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF"},
      {std::u16string{char16_t(0xD800)}, replacement},
      {std::u16string{char16_t(0xDC00)}, replacement},
      {std::u16string{u'a', char16_t(0xD83D)}, "a" + replacement},
      {std::u16string{char16_t(0xD800), char16_t(0xD800), char16_t(0xDC00)},
       replacement + "\xF0\x90\x80\x80"},
      {std::u16string{char16_t(0xDC00), char16_t(0xD800), u'x'}, replacement + replacement + "x"},
      {std::u16string(u"ab\0cd", 5), "ab"},
      {std::u16string(u"\0x", 2), ""},
      {std::u16string{char16_t(0xD800), u'\0', char16_t(0xDC00)}, replacement},
  };
  for (const Case& c : cases) EXPECT_EQ(utf8_of(c.units), c.utf8);
  // NUL and other characters at every place of and around a run of ASCII.
  for (std::size_t at = 0; at < 12; ++at) {
    for (const char16_t other : {u'\0', char16_t(0x80), char16_t(0xD800), char16_t(0x20AC)}) {
      std::u16string units(11, u'a');
      units.insert(at, 1, other);
      std::string expected(at, 'a');
      if (other != u'\0') {
        expected += other == 0x80     ? "\xC2\x80"
                    : other == 0x20AC ? "\xE2\x82\xAC"
                                      : replacement;
        expected += std::string(11 - at, 'a');
      }
      EXPECT_EQ(utf8_of(units), expected) << at << " " << int(other);
    }
  }
  // The capacity holds the longest form: three bytes for every unit.
  const std::u16string wide(1000, char16_t(0xFFFF));
  EXPECT_EQ(utf8_of(wide).size(), utf8_capacity_for_utf16(wide.size()));
}

}  // namespace
}  // namespace bindings::node::support
