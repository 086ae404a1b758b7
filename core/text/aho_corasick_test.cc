#include "core/text/aho_corasick.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace sorvane::text {
namespace {

using Matches = std::vector<AcMatch>;

AhoCorasick build(const std::vector<std::string_view>& patterns, MatchKind kind, bool fold) {
  return AhoCorasick(patterns, kind, fold);
}

// A part of the bad-bot list, duplicates and all.
const std::vector<std::string_view> kBots = {
    "NESSUS", "Nikto", "mj12bot", "MJ12bot", "MJ12BOT", "BlackWidow", "Xenu",
    "BlackWidow", "Widow", "Go!Zilla", "masscan/1",
};

TEST(AhoCorasickStandard, BotSignatures) {
  const AhoCorasick ac = build(kBots, MatchKind::Standard, false);
  struct Case {
    const char* text;
    Matches matches;
  } const cases[] = {
      {"Mozilla/5.0 (compatible; Nikto/2.1.6)", {{1, 25, 30}}},
      {"nikto", {}},
      {"mj12bot and MJ12BOT", {{2, 0, 7}, {4, 12, 19}}},
      {"BlackWidow", {{5, 0, 10}}},  // longest at the end position, lower of two equal rows
      {"xWidow", {{8, 1, 6}}},
      {"NiktoNikto", {{1, 0, 5}, {1, 5, 10}}},
      {"", {}},
      {"Go!Zilla masscan/1", {{9, 0, 8}, {10, 9, 18}}},
  };
  for (const Case& c : cases) EXPECT_EQ(ac.find_all(c.text), c.matches) << c.text;
  EXPECT_TRUE(ac.is_match("..Xenu.."));
  EXPECT_FALSE(ac.is_match("XENU"));
  EXPECT_EQ(ac.pattern_count(), kBots.size());
}

TEST(AhoCorasickStandard, ReportsAsSoonAsAPatternEnds) {
  const AhoCorasick ac = build({"abcd", "bc", "c"}, MatchKind::Standard, false);
  // "bc" ends first; the search resumes after it, so "abcd" is never seen.
  EXPECT_EQ(ac.find_all("abcd"), (Matches{{1, 1, 3}}));
  EXPECT_EQ(ac.find("abcd", 2), (AcMatch{2, 2, 3}));
  EXPECT_EQ(ac.find("abcd", 5), std::nullopt);
  const AhoCorasick comments = build({"#", "--", "//", "/*", "*/", "@@"}, MatchKind::Standard, false);
  EXPECT_EQ(comments.find_all("a/*/x--@@@"), (Matches{{3, 1, 3}, {1, 5, 7}, {5, 7, 9}}));
}

TEST(AhoCorasickStandard, AsciiCaseFolding) {
  const AhoCorasick ac = build({"Nikto", "NIKTO", "\xc3\xa9t\xc3\xa9"}, MatchKind::Standard, true);
  EXPECT_EQ(ac.find_all("nikto NiKtO"), (Matches{{0, 0, 5}, {0, 6, 11}}));
  EXPECT_EQ(ac.find_all("\xc3\xa9T\xc3\xa9"), (Matches{{2, 0, 5}}));
  EXPECT_FALSE(ac.is_match("\xc3\x89T\xc3\x89"));  // only ASCII letters fold
}

TEST(AhoCorasickLeftmostLongest, PrefersTheLeftmostThenTheLongestHit) {
  const AhoCorasick ac = build({"constructor", "prototype", ".constructor.", "proto", "x.c", "c"},
                               MatchKind::LeftmostLongest, true);
  EXPECT_EQ(ac.find_all("x.constructor.prototype(1)"),
            (Matches{{4, 0, 3}, {5, 9, 10}, {1, 14, 23}}));
  EXPECT_EQ(ac.find_all("y.constructor.prototype(1)"), (Matches{{2, 1, 14}, {1, 14, 23}}));
  EXPECT_EQ(ac.find_all("Y.CONSTRUCTOR.Proto"), (Matches{{2, 1, 14}, {3, 14, 19}}));
  EXPECT_EQ(ac.find_all("constructo"), (Matches{{5, 0, 1}, {5, 7, 8}}));
  const AhoCorasick dup = build({"ab", "abc", "AB", "abcd"}, MatchKind::LeftmostLongest, true);
  EXPECT_EQ(dup.find_all("ABx abc abcd"), (Matches{{0, 0, 2}, {1, 4, 7}, {3, 8, 12}}));
  // A long candidate that fails does not hide the shorter one found on the way.
  const AhoCorasick partial = build({"a", "aaaab"}, MatchKind::LeftmostLongest, false);
  EXPECT_EQ(partial.find_all("aaaa"), (Matches{{0, 0, 1}, {0, 1, 2}, {0, 2, 3}, {0, 3, 4}}));
}

TEST(AhoCorasick, EdgeInputs) {
  for (MatchKind kind : {MatchKind::Standard, MatchKind::LeftmostLongest}) {
    EXPECT_TRUE(build({}, kind, false).find_all("abc").empty());
    EXPECT_TRUE(build({""}, kind, false).find_all("abc").empty());  // empty patterns never match
    const AhoCorasick bytes = build({std::string_view("\0\xff", 2), "\x80"}, kind, true);
    EXPECT_EQ(bytes.find_all(std::string_view("a\0\xff\x80", 4)), (Matches{{0, 1, 3}, {1, 3, 4}}));
    std::string all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
    const AhoCorasick every = build({all, "\x7f"}, kind, false);  // every byte value in use
    const Matches expected = kind == MatchKind::Standard ? Matches{{1, 127, 128}, {1, 383, 384}}
                                                         : Matches{{0, 0, 256}, {0, 256, 512}};
    EXPECT_EQ(every.find_all(all + all), expected);
    const std::string big(3 << 20, 'z');
    EXPECT_FALSE(build(kBots, kind, true).is_match(big));
  }
}

// The plain definition of both semantics, to compare the automaton with.
std::optional<AcMatch> reference_find(const std::vector<std::string>& pats, MatchKind kind,
                                      bool fold, const std::string& hay, std::size_t from) {
  auto f = [&](char c) { return fold && c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
  auto at = [&](std::size_t pos, const std::string& p) {
    if (p.empty() || p.size() > hay.size() - pos) return false;
    for (std::size_t i = 0; i < p.size(); ++i) {
      if (f(hay[pos + i]) != f(p[i])) return false;
    }
    return true;
  };
  if (kind == MatchKind::LeftmostLongest) {
    for (std::size_t s = from; s < hay.size(); ++s) {
      std::optional<AcMatch> best;
      for (std::size_t i = 0; i < pats.size(); ++i) {
        if (at(s, pats[i]) && (!best || pats[i].size() > best->end - best->start)) {
          best = AcMatch{i, s, s + pats[i].size()};
        }
      }
      if (best) return best;
    }
    return std::nullopt;
  }
  for (std::size_t e = from + 1; e <= hay.size(); ++e) {
    std::optional<AcMatch> best;
    for (std::size_t i = 0; i < pats.size(); ++i) {
      const auto& p = pats[i];
      if (p.size() <= e - from && at(e - p.size(), p) &&
          (!best || p.size() > best->end - best->start)) {
        best = AcMatch{i, e - p.size(), e};
      }
    }
    if (best) return best;
  }
  return std::nullopt;
}

// Up to `max_len` bytes of "abAB".
std::string random_ab_text(std::mt19937& rng, std::size_t max_len) {
  const std::string alphabet = "abAB";
  std::string s(rng() % (max_len + 1), 'a');
  for (char& c : s) c = alphabet[rng() % alphabet.size()];
  return s;
}

// 1,500 random tables of "abAB" patterns, both kinds, with and without case folding, each
// searched in ten haystacks from `hay_of`: every match, whether there is one, and a search
// from a random start must be those of the plain definition.
template <typename HayOf>
void expect_plain_definition_on(std::mt19937& rng, HayOf hay_of) {
  for (int round = 0; round < 1500; ++round) {
    std::vector<std::string> pats(1 + rng() % 6);
    for (auto& p : pats) p = random_ab_text(rng, 4);
    const std::vector<std::string_view> views(pats.begin(), pats.end());
    const MatchKind kind = round % 2 ? MatchKind::Standard : MatchKind::LeftmostLongest;
    const bool fold = (round / 2) % 2;
    const AhoCorasick ac(views, kind, fold);
    for (int t = 0; t < 10; ++t) {
      const std::string hay = hay_of();
      Matches expected;
      std::size_t from = 0;
      while (auto m = reference_find(pats, kind, fold, hay, from)) {
        expected.push_back(*m);
        from = m->end;
      }
      ASSERT_EQ(ac.find_all(hay), expected) << "round " << round << " hay " << hay;
      ASSERT_EQ(ac.is_match(hay), !expected.empty()) << "round " << round << " hay " << hay;
      const std::size_t start = hay.empty() ? 0 : rng() % hay.size();
      ASSERT_EQ(ac.find(hay, start), reference_find(pats, kind, fold, hay, start)) << hay;
    }
  }
}

TEST(AhoCorasick, AgreesWithThePlainDefinitionOnRandomInputs) {
  std::mt19937 rng(7);
  expect_plain_definition_on(rng, [&] { return random_ab_text(rng, 24); });
}

// Haystacks mostly of bytes that no pattern holds, so that both searches skip runs of them
// at the start state, before, between and after the hits.
TEST(AhoCorasick, AgreesWithThePlainDefinitionOnTextsMostlyOutsideThePatterns) {
  std::mt19937 rng(17);
  const std::string alphabet = "abABxy -.";
  expect_plain_definition_on(rng, [&] {
    std::string hay(rng() % 40, 'x');
    for (char& c : hay) c = alphabet[rng() % alphabet.size()];
    return hay;
  });
}

// Row offsets are divided exactly by the class count; class counts with every power-of-two
// factor up to all 256 bytes (no shared class 0) must find what the plain definition finds.
TEST(AhoCorasick, AgreesWithThePlainDefinitionForEveryClassCount) {
  std::mt19937 rng(13);
  for (std::size_t distinct : {1u, 3u, 7u, 11u, 15u, 31u, 47u, 63u, 95u, 127u, 255u, 256u}) {
    std::string alphabet;
    for (std::size_t b = 0; b < distinct; ++b) alphabet.push_back(static_cast<char>(255 - b));
    // One pattern holds every byte of the alphabet, so the class count is distinct + 1, or
    // 256 when every byte occurs.
    std::vector<std::string> pats = {alphabet};
    for (int i = 0; i < 6; ++i) {
      std::string p(1 + rng() % 3, 'x');
      for (char& c : p) c = alphabet[rng() % std::min<std::size_t>(distinct, 4)];
      pats.push_back(p);
    }
    const std::vector<std::string_view> views(pats.begin(), pats.end());
    for (MatchKind kind : {MatchKind::Standard, MatchKind::LeftmostLongest}) {
      const AhoCorasick ac(views, kind, false);
      for (int t = 0; t < 40; ++t) {
        std::string hay(rng() % 20, 'x');
        for (char& c : hay) c = alphabet[rng() % std::min<std::size_t>(distinct, 4)];
        if (t % 8 == 0) hay += alphabet;
        Matches expected;
        std::size_t from = 0;
        while (auto m = reference_find(pats, kind, false, hay, from)) {
          expected.push_back(*m);
          from = m->end;
        }
        ASSERT_EQ(ac.find_all(hay), expected) << "distinct bytes " << distinct;
      }
    }
  }
}

bool equal_at(const std::string& hay, std::size_t pos, const std::string& p, bool fold) {
  auto f = [&](char c) { return fold && c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
  for (std::size_t i = 0; i < p.size(); ++i) {
    if (f(hay[pos + i]) != f(p[i])) return false;
  }
  return true;
}

// Per end position: the longest pattern that is a suffix of the haystack's first `end`
// bytes, the lowest index among equal ones.
std::vector<std::pair<std::size_t, std::size_t>> reference_longest_ends(
    const std::vector<std::string>& pats, bool fold, const std::string& hay) {
  std::vector<std::pair<std::size_t, std::size_t>> out;
  for (std::size_t end = 1; end <= hay.size(); ++end) {
    std::optional<std::size_t> best;
    for (std::size_t i = 0; i < pats.size(); ++i) {
      const std::string& p = pats[i];
      if (p.empty() || p.size() > end || !equal_at(hay, end - p.size(), p, fold)) continue;
      if (!best || p.size() > pats[*best].size()) best = i;
    }
    if (best) out.emplace_back(end, *best);
  }
  return out;
}

std::vector<std::pair<std::size_t, std::size_t>> longest_ends(const AhoCorasick& ac,
                                                              std::string_view hay) {
  std::vector<std::pair<std::size_t, std::size_t>> out;
  ac.for_each_longest_end(hay, [&](std::size_t end, std::size_t p) {
    out.emplace_back(end, p);
    return true;
  });
  return out;
}

TEST(AhoCorasick, LongestEndsSeeOverlappingAndNestedPatterns) {
  // A restarting search finds "abc" and misses "bcd" in "abcd"; this pass sees both.
  const std::vector<std::string> pats = {"abc", "bcd", "bc", "ABC", "", "d"};
  const std::vector<std::string_view> views(pats.begin(), pats.end());
  const AhoCorasick ac(views, MatchKind::Standard, true);
  using Ends = std::vector<std::pair<std::size_t, std::size_t>>;
  EXPECT_EQ(longest_ends(ac, "xAbCd"), (Ends{{4, 0}, {5, 1}}));  // "bc" ends with "abc"
  EXPECT_EQ(longest_ends(ac, ""), Ends{});
  std::size_t calls = 0;
  ac.for_each_longest_end("bcbcbc", [&](std::size_t, std::size_t) { return ++calls < 2; });
  EXPECT_EQ(calls, 2u);
}

TEST(AhoCorasick, LongestEndsAgreeWithThePlainDefinitionOnRandomInputs) {
  std::mt19937 rng(11);
  auto random_text = [&](std::size_t max_len) { return random_ab_text(rng, max_len); };
  for (int round = 0; round < 1500; ++round) {
    std::vector<std::string> pats(1 + rng() % 8);
    for (auto& p : pats) p = random_text(4);
    const std::vector<std::string_view> views(pats.begin(), pats.end());
    const bool fold = round % 2;
    const AhoCorasick ac(views, round % 3 ? MatchKind::Standard : MatchKind::LeftmostLongest,
                         fold);
    for (int t = 0; t < 10; ++t) {
      std::string hay = random_text(24);
      // Bytes no pattern holds, which leave the search at its start.
      if (t % 2) {
        for (char& c : hay) c = rng() % 3 ? c : 'x';
      }
      ASSERT_EQ(longest_ends(ac, hay), reference_longest_ends(pats, fold, hay))
          << "round " << round << " hay " << hay;
    }
  }
}

}  // namespace
}  // namespace sorvane::text
