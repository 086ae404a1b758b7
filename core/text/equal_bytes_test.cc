#include "core/text/equal_bytes.h"

#include <gtest/gtest.h>

#include <string>

namespace sorvane::text {
namespace {

// Every length around the word sizes, with one byte changed at each place (by one bit and by
// all of them), equal copies from other buffers, and views of unequal lengths.
TEST(EqualBytes, EveryByteCountsAtEveryLength) {
  for (std::size_t size = 0; size <= 40; ++size) {
    SCOPED_TRACE(size);
    std::string a;
    for (std::size_t i = 0; i < size; ++i) a.push_back(static_cast<char>('a' + i % 26));
    const std::string copy = a;
    EXPECT_TRUE(equal_bytes(a, copy));
    for (std::size_t at = 0; at < size; ++at) {
      for (char flip : {'\x01', '\x80', '\xff'}) {
        std::string b = a;
        b[at] = static_cast<char>(b[at] ^ flip);
        EXPECT_FALSE(equal_bytes(a, b)) << at;
        EXPECT_FALSE(equal_bytes(b, a)) << at;
      }
    }
    // A longer text that starts with this one, from the same buffer.
    const std::string longer = a + "z";
    EXPECT_FALSE(equal_bytes(a, longer));
    EXPECT_TRUE(equal_bytes(a, std::string_view(longer).substr(0, size)));
  }
}

}  // namespace
}  // namespace sorvane::text
