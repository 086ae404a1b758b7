#include "bindings/node/string_cache.h"

#include <algorithm>
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

// A cache made for a number of texts answers the same whether it gets none of them, as many,
// or many more (then it grows): one index per distinct text, the same one on every request.
TEST(StringCacheTest, AnswersAlikeWhateverTheExpectedCount) {
  const std::string long_tail(40, 'x');  // past the word-compared length: told by place
  for (const std::size_t expected : {0, 1, 3, 64, 1000}) {
    for (const std::size_t count : {std::size_t{0}, expected, 3 * expected + 100}) {
      StringCache cache(expected);
      Counter counter;
      std::vector<std::string> texts;
      texts.reserve(count);
      for (std::size_t i = 0; i < count; ++i) {
        texts.push_back(i % 3 == 2 ? std::to_string(i) + long_tail
                                   : "eval(" + std::to_string(i) + ")");
      }
      for (std::size_t round = 0; round < 2; ++round) {
        for (std::size_t i = 0; i < count; ++i) {
          EXPECT_EQ(index_of(cache, counter, texts[i]), i)
              << "expected " << expected << ", count " << count << ", text " << texts[i];
        }
      }
      EXPECT_EQ(counter.next, count) << "expected " << expected << ", count " << count;
    }
  }
}

// Families of texts that differ only in a few bytes (numbered calls and keys, operator-like
// short keys, long texts told by place) spread over the table: lookups read a slot or two,
// not a run of them.
TEST(StringCacheTest, SimilarTextsKeepProbesShort) {
  const auto numbered = [](std::string_view head, std::string_view tail) {
    std::vector<std::string> texts;
    for (int i = 0; i < 7000; ++i) {
      texts.push_back(std::string(head) + std::to_string(i) + std::string(tail));
    }
    return texts;
  };
  std::vector<std::string> short_keys;
  for (char a = '!'; a <= '~'; ++a) {
    for (char b = 'a'; b <= 'z'; ++b) short_keys.push_back({'$', a, b});
  }
  // Long texts told by place, at addresses that step by a fixed amount, as the texts of one
  // body do: each stride once gathered the texts of one multiplication round in runs.
  const std::string buffer(7000 * 128 + 40, 'x');
  const auto strided = [&](std::size_t stride) {
    std::vector<std::string_view> texts;
    for (std::size_t i = 0; i < 7000; ++i) texts.push_back({buffer.data() + i * stride, 40});
    return texts;
  };
  const auto views = [](const std::vector<std::string>& texts) {
    return std::vector<std::string_view>(texts.begin(), texts.end());
  };
  const std::vector<std::string> numbered_calls = numbered("eval(", ")");
  const std::vector<std::string> numbered_keys = numbered("k", "");
  const std::vector<std::string> named_keys = numbered("some_key_name_", "");
  const std::vector<std::string> long_texts =
      numbered("a longer text, past the length compared by bytes: ", ".");
  const std::vector<std::vector<std::string_view>> families = {
      views(numbered_calls), views(numbered_keys), views(named_keys), views(long_texts),
      views(short_keys),     strided(32),          strided(64),       strided(96),
      strided(128)};
  for (const std::vector<std::string_view>& texts : families) {
    for (const std::size_t expected : {std::size_t{0}, texts.size()}) {
      StringCache cache(expected);
      Counter counter;
      for (const std::string_view text : texts) index_of(cache, counter, text);
      std::size_t total = 0;
      std::size_t longest = 0;
      for (const std::string_view text : texts) {
        const std::size_t length = cache.probe_length(text);
        total += length;
        longest = std::max(longest, length);
      }
      EXPECT_LT(static_cast<double>(total) / static_cast<double>(texts.size()), 1.5)
          << texts[0] << " at " << static_cast<const void*>(texts[0].data()) << " (expected "
          << expected << ")";
      EXPECT_LT(longest, 48u) << texts[0];
    }
  }
}


// Random texts of a few letters (so that texts recur, next to themselves and in turns, and
// share lengths and first and last bytes), each at a place of its own, and long texts: every
// answer is the index of a text of the same bytes; a short text asked again right after
// itself, or after a text of another slot, is found; a long one is always made anew.
TEST(RecentTextsTest, AnswersOnlyIndicesOfTheSameBytes) {
  std::uint32_t seed = 11;
  const auto random = [&](std::uint32_t n) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 8) % n;
  };
  for (int round = 0; round < 20; ++round) {
    RecentTexts recent;
    std::vector<std::string> made;  // the text of each index
    std::vector<std::string> kept;  // the table borrows its texts
    kept.reserve(4000);
    const auto get = [&](std::string_view text) {
      auto index = recent.get(text, [&](std::string_view t) -> napi::Result<std::uint32_t> {
        made.emplace_back(t);
        return static_cast<std::uint32_t>(made.size() - 1);
      });
      EXPECT_TRUE(index.has_value());
      return *index;
    };
    for (int i = 0; i < 2000; ++i) {
      std::string text;
      if (random(50) == 0) {
        text.assign(StringCache::kShortText + 1 + random(20), 'x');
      } else {
        const std::uint32_t length = random(6);
        for (std::uint32_t k = 0; k < length; ++k) text.push_back(static_cast<char>('a' + random(3)));
      }
      const std::string& at = kept.emplace_back(text);
      const std::size_t before = made.size();
      const std::uint32_t index = get(at);
      ASSERT_LT(index, made.size());
      EXPECT_EQ(made[index], text) << "round " << round << ", text " << i;
      if (text.size() > StringCache::kShortText) {
        EXPECT_EQ(made.size(), before + 1) << text;
      } else {
        EXPECT_EQ(get(kept.emplace_back(text)), index) << text;
      }
    }
  }
}

}  // namespace
}  // namespace bindings::node
