#include "core/evaluation/rules/reflected_xss/match_functions/js_string_parser.h"

#include <gtest/gtest.h>

#include <string>

namespace sorvane::evaluation::rules::reflected_xss::match_functions::js_string_parser {
namespace {

TEST(XssJsStringParser, ReachOfStringExpressions) {
  struct Case {
    std::string text;
    std::size_t end;
  };
  const Case cases[] = {
      {"", 0},
      {"]", 0},
      {"abc]", 0},
      {"'alert']", 7},
      {"\"al\"+\"ert\"]", 10},
      {"'a' + 'b' ]", 9},
      {"'a'+'b'+'c']", 11},
      // An escaped quote does not close; a second string needs a "+".
      {"'a\\'b']", 6},
      {"'it''s']", 4},
      {"'a\\", 0},
      {"'unterminated", 0},
      {"'a'+'unterminated", 3},
      {"'a\"b`c'", 7},
      {"'line\nbreak'", 12},
      {"'\\\xC3\xA9'", 5},
      // Regular-expression literals count only through ".source".
      {"/x/.source]", 10},
      {"/x/ .source]", 11},
      {"/x/. source]", 0},
      {"/x/.SOURCE]", 0},
      {"/x/.sourcex]", 10},
      {"/a\\/b/.source]", 0},
      {"/x/", 0},
      {"/x/+'a'", 0},
      {"/", 0},
      {"/x/.source+'a'", 14},
      {"/x//**/.source", 14},
      {"/x/ /*c*/ .source]", 17},
      // A number is complete before whitespace, "+", a comment or the end of the text.
      {"1", 1},
      {"1]", 0},
      {"1 ]", 1},
      {"12.5]", 0},
      {"1+'a']", 5},
      {"'a'+1]", 3},
      {"1+2 ]", 3},
      {"123", 3},
      // Comments move the end past them, whatever they interrupt.
      {"'a'/*c*/+'b']", 12},
      {"'a'//c\n+'b']", 11},
      {"1/**/]", 5},
      {"1/**/2]", 5},
      {"/**/]", 4},
      {"//c\n]", 4},
      {"'a'+/**/]", 8},
      {"/*/ 'a']", 0},
      {"/*]", 0},
      {"'a'/]", 3},
      {"'a'/*]", 3},
      {"//c\r]", 0},
      {"`a${'x'}b`]", 10},
      // Whitespace of any White_Space kind separates tokens; U+200B is not whitespace.
      {"'a'\xE2\x80\xA8]", 3},
      {"'a'\xE2\x80\x8B]", 3},
      {"\xE3\x80\x80'a'\xC2\xA0+\xE2\x80\x89'b']", 15},
      {"\xE2\x80\x8B'a'", 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(parse_js_string_expression(c.text), c.end) << c.text;
  }
}

}  // namespace
}  // namespace sorvane::evaluation::rules::reflected_xss::match_functions::js_string_parser
