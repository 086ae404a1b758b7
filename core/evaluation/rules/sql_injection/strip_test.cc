#include "core/evaluation/rules/sql_injection/strip.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace sorvane::evaluation::rules::sql_injection::strip
