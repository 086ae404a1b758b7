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

}  // namespace
}  // namespace bindings::node::support
