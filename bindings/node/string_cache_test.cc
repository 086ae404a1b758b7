#include "bindings/node/string_cache.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

namespace bindings::node {
namespace {

// Hands out a new index per text it is asked to make.
struct Counter {
  std::uint32_t next = 0;
  napi::Result<std::uint32_t> operator()(std::string_view) { return next++; }
};

std::uint32_t index_of(StringCache& cache, Counter& counter, std::string_view text) {
  auto index = cache.get(text, counter);
  EXPECT_TRUE(index.has_value());
  return *index;
}

// Texts of every length around the word sizes, each against the same bytes at another place
// and against a text that differs in one byte only, at every position: equal short texts
// share an index, long ones are told by place, and no differing byte goes unseen (asked right
// after the text it differs from, and again after an unrelated one).
TEST(StringCacheTest, TellsTextsApartByEveryByte) {
  for (std::size_t n = 1; n <= 40; ++n) {
    StringCache cache;
    Counter counter;
    std::vector<std::string> kept;  // the cache borrows its texts
    kept.reserve(4 * n + 4);
    std::string base(n, 'a');
    for (std::size_t i = 0; i < n; ++i) base[i] = static_cast<char>('a' + i % 26);
    const std::string& original = kept.emplace_back(base);
    const std::uint32_t first = index_of(cache, counter, original);
    const std::string& copy = kept.emplace_back(base);
    const bool by_bytes = n <= 32;
    EXPECT_EQ(index_of(cache, counter, copy) == first, by_bytes) << "length " << n;
    EXPECT_EQ(index_of(cache, counter, original), first) << "length " << n;
    for (std::size_t at = 0; at < n; ++at) {
      std::string changed = base;
      changed[at] = 'Z';
      index_of(cache, counter, original);
      const std::string& variant = kept.emplace_back(changed);
      const std::uint32_t index = index_of(cache, counter, variant);
      EXPECT_NE(index, first) << "length " << n << ", byte " << at;
      const std::string& unrelated = kept.emplace_back(std::string(n, '#'));
      index_of(cache, counter, unrelated);
      EXPECT_EQ(index_of(cache, counter, variant), index) << "length " << n << ", byte " << at;
      EXPECT_EQ(index_of(cache, counter, original), first) << "length " << n << ", byte " << at;
    }
  }
}

}  // namespace
}  // namespace bindings::node
