#include "core/evaluation/rules/reflected_xss/js_escape.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "core/fatal_error.h"

namespace sorvane::evaluation::rules::reflected_xss::js_escape {
namespace {

struct Case {
  std::string_view input;
  std::optional<std::string_view> decoded;  // none: nothing decoded
};

TEST(XssUnescapeJs, DecodesLetterEscapesOnly) {
  const Case cases[] = {
      {R"(\x61lert(1))", "alert(1)"},
      {R"(\u0061lert(1))", "alert(1)"},
      {R"(\u{61}lert(1))", "alert(1)"},
      {R"(\u{061}lert(1))", "alert(1)"},
      {R"(\u{0000061})", "a"},
      {R"(\x6Flert)", "olert"},
      {R"(\x7A)", "z"},
      {R"(\x7a)", "z"},
      {R"(\x69\x6a\x6F\x70\x79)", "ijopy"},
      // Not a letter a-z, or not one of the three forms.
      {R"(\x3c)", std::nullopt},
      {R"(\x41)", std::nullopt},
      {R"(\x60)", std::nullopt},
      {R"(\x7b)", std::nullopt},
      {R"(\X61)", std::nullopt},
      {R"(\U0061)", std::nullopt},
      {R"(\u{61)", std::nullopt},
      {R"(\u061)", std::nullopt},
      {R"(\u{6 1})", std::nullopt},
      {R"(\)", std::nullopt},
      {"", std::nullopt},
      {"no escapes", std::nullopt},
      // The first backslash is abandoned, the second starts the escape.
      {R"(\\x61)", R"(\a)"},
      {R"(\x61b)", "ab"},
      {R"(\x61)", "a"},
      {R"(abc\x6)", std::nullopt},
      {R"(\x61\x3c\x62)", R"(a\x3cb)"},
      // Single pass: the escape that decoding forms ("\x61") is not decoded again.
      {R"(\\x7861)", R"(\x61)"},
      {"caf\xC3\xA9 \\x61", "caf\xC3\xA9 a"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(unescape_js(c.input), c.decoded) << c.input;
  }
}

TEST(XssUnescapeJs, DigitPairs) {
  EXPECT_EQ(get_char_for_digits('6', '1'), 'a');
  EXPECT_EQ(get_char_for_digits('6', 'F'), 'o');
  EXPECT_EQ(get_char_for_digits('7', '0'), 'p');
  EXPECT_EQ(get_char_for_digits('7', 'A'), 'z');
  EXPECT_THAT([] { get_char_for_digits('6', '0'); },
              testing::ThrowsMessage<FatalError>(testing::StrEq("unexpected first digit")));
  EXPECT_THAT([] { get_char_for_digits('7', 'b'); },
              testing::ThrowsMessage<FatalError>(testing::StrEq("unexpected second digit")));
}

}  // namespace
}  // namespace sorvane::evaluation::rules::reflected_xss::js_escape
