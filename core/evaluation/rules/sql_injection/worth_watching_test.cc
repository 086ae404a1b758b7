#include "core/evaluation/rules/sql_injection/worth_watching.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/evaluation/rules/rule_testing.h"
#include "core/evaluation/rules/sql_injection/sql_injection.h"

namespace sorvane::evaluation::rules::sql_injection::worth_watching {
namespace {

constexpr std::uint8_t kParameterValue = 9;

TEST(SqlWorthWatching, Screens) {
  struct Case {
    std::string text;
    bool expected;
  };
  const std::string uuid = "aaaaaaaa-bbbb-cccc-dddd-eeeeeeeeeeee";
  const std::vector<Case> cases = {
      {"", false},
      {"ab", false},
      {"abc1", false},          // letters and digits only
      {"a--", true},            // 3 bytes: a comment opener
      {"a#b", true},
      {"a//", true},
      {"/*a", true},
      {"a-b", false},           // 3 bytes decide by the openers alone
      {"'a'", false},
      {"#ff00aa", false},       // an HTML colour
      {"#FF00AA", false},
      {"#ff00ag", true},        // no colour: the comment marker decides
      {"x#ff00aa", true},
      {"'abc", true},           // an opening quote without its closing quote
      {"\"abc", true},
      {"it's", false},          // one special character
      {"'it's'", false},        // the surrounding quotes do not count
      {"\"it's\"", false},
      {"'a'b'", false},         // one special inside the quotes
      {"'a'b'c'", true},        // two specials inside the quotes
      {"a(b)", true},
      {"a=b&c=d", true},
      {"50%-off", true},
      {uuid, false},
      {"{" + uuid + "}", false},
      {"aaaaaaaa-bbbb-cccc-dddd-eeeeeeeeeeeg", true},
      {"AAAAAAAA-BBBB-CCCC-DDDD-EEEEEEEEEEEE", false},
      {"aaaaaaaa-bbbb-cccc-dddd-eeeeeeeeeee", true},   // 35 bytes
      {"(" + uuid + ")", true},                        // only braces wrap a UUID
      {"select me", true},      // keyword
      {"SELECTED me", false},   // no keyword: not a whole word
      {"\xC3\xA9select me", false},  // a letter beyond ASCII is no word boundary
      {"x pg_sleep y", true},
      {"x@@y", true},           // comment marker
      {"a */ b", true},
      {"1 or x", true},         // binary clause
      {"\" AND 1", true},
      {"one or two", false},
      {"hello world", false},
      {"caf\xC3\xA9 au lait", false},
  };
  for (const Case& c : cases) {
    const InputTraits traits = compute_input_traits(c.text, kParameterValue);
    EXPECT_EQ(is_worth_watching(c.text, traits), c.expected) << c.text;
    EXPECT_EQ(testing::worth_watching(sql_injection::instance(), c.text, kParameterValue),
              c.expected)
        << c.text;
  }
}

TEST(SqlWorthWatching, UuidForms) {
  EXPECT_TRUE(is_uuid("0123abcd-4567-89ef-ABCD-0123456789ab"));
  EXPECT_TRUE(is_uuid("{0123abcd-4567-89ef-ABCD-0123456789ab}"));
  EXPECT_FALSE(is_uuid("0123abcd04567-89ef-ABCD-0123456789ab"));  // no dash at 8
  EXPECT_FALSE(is_uuid("{0123abcd-4567-89ef-ABCD-0123456789ab"));
  EXPECT_FALSE(is_uuid("0123abcd456789efABCD0123456789ab"));      // no other form
  EXPECT_FALSE(is_uuid(""));
}

}  // namespace
}  // namespace sorvane::evaluation::rules::sql_injection::worth_watching
