#include "core/evaluation/rules/sql_injection/strip.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace sorvane::evaluation::rules::sql_injection::strip {
namespace {

TEST(SqlStripComments, Examples) {
  struct Case {
    std::string window;
    std::optional<std::string> cleaned;  // none: the window stays as it is
  };
  const std::vector<Case> cases = {
      {"x/*a*/yz", "x yz"},
      {"x/*a*/y", "x y"},
      {"OR/**/1=1", "OR 1=1"},
      {"/**/or/**/1=1", " or 1=1"},
      {"a/*b/*c*/d*/ef", "a ef"},           // nested
      {"x/*a/*b*/c", "x/*a c"},             // the unclosed outer opener stays
      {"a/*\xC3\xA9*/b", "a b"},
      {"x/*a*/ y /*b*/ z", "x  y   z"},
      {"a/**/", "a "},
      {"/**/", " "},
      {"x/*a*//y", std::nullopt},           // a closer whose opener was removed already
      {"x/*a*/ y */ z", std::nullopt},
      {"a/*b**/c", std::nullopt},           // "**/" does not close
      {"ab/*c", std::nullopt},
      {"ab/*", std::nullopt},               // nothing after the opener
      {"a*/b", std::nullopt},               // a closer without opener
      {"", std::nullopt},
      {"/*\xE2\x80*/", " "},                // a cut-off character inside a comment
  };
  for (const Case& c : cases) {
    EXPECT_EQ(strip_comments(c.window), c.cleaned) << c.window;
  }
}

TEST(SqlStripComments, SeparatorRunsBecomeOneSpace) {
  EXPECT_EQ(replace_separators("or\x1c" "1=1"), "or 1=1");
  EXPECT_EQ(replace_separators("a\x1c\x1d\x1e\x1f" "b\x1f"), "a b ");
  EXPECT_EQ(replace_separators("a\x1b\x7f b"), std::nullopt);
  EXPECT_EQ(replace_separators(""), std::nullopt);
}

// The byte scans find what the two expressions find: the openers of strip_comments are
// COMMENT_RE's matches, and separator runs are replaced as ASCII_SEP_RE would.
TEST(SqlStripComments, ScansAgreeWithExpressions) {
  const std::vector<std::string> pieces = {"/", "*", "/*", "*/", "a", " ", "\x1c", "\x1f",
                                           "\x1b", "\xC3\xA9", "\xE2\x80"};
  std::mt19937 rng(3);
  for (int round = 0; round < 3000; ++round) {
    std::string w;
    const std::size_t count = rng() % 10;
    for (std::size_t i = 0; i < count; ++i) w += pieces[rng() % pieces.size()];
    std::vector<std::size_t> by_scan, by_expression;
    for (std::size_t a = w.find("/*"); a != std::string::npos; a = w.find("/*", a + 2)) {
      by_scan.push_back(a);
    }
    for (const text::Span& m : COMMENT_RE().find_all(w)) by_expression.push_back(m.start);
    ASSERT_EQ(by_scan, by_expression) << w;
    const std::optional<std::string> expected =
        ASCII_SEP_RE().find(w) ? std::optional(ASCII_SEP_RE().replace_all(w, " ")) : std::nullopt;
    ASSERT_EQ(replace_separators(w), expected) << w;
  }
}

}  // namespace
}  // namespace sorvane::evaluation::rules::sql_injection::strip
