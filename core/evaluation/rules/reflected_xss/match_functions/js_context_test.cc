#include "core/evaluation/rules/reflected_xss/match_functions/js_context.h"

#include <gtest/gtest.h>

#include <span>
#include <string>

#include "core/evaluation/rules/reflected_xss/match_functions/hit_for_testing.h"

namespace sorvane::evaluation::rules::reflected_xss::match_functions::js_context {
namespace {

struct Case {
  std::string text;
  float score;
  std::string_view keyword = "alert";
};

void expect_scores(std::span<const Case> cases) {
  for (const Case& c : cases) {
    const Hit hit = first_hit(c.text, c.keyword);
    EXPECT_EQ(is_function_in_js_context(c.keyword, c.text, hit.start, hit.end), c.score)
        << c.text;
  }
}

TEST(XssJsContext, WhatStandsBeforeTheName) {
  const Case cases[] = {
      {"alert(1)", 90},
      {"x=alert(1)", 90},
      {"return alert(1)", 90},
      {"typeof alert(1)", 90},
      {"instanceof alert(1)", 90},
      {"void\xC2\xA0" "alert(1)", 90},
      {"x; delete  \t alert(1)", 90},
      {"foo alert(1)", 0},
      {"new alert(1)", 0},
      {"VOID alert(1)", 0},
      {"abcdefghijk alert(1)", 0},
      {"xinstanceof alert(1)", 0},
      // Something alphanumeric glued to the name.
      {"xalert(1)", 0},
      {"1alert(1)", 0},
      {"\xC3\xA9" "alert(1)", 0},
      {"\xD9\xA3" "alert(1)", 0},  // U+0663, an Arabic-Indic digit (Nd)
      {"\xE2\x85\xA0" "alert(1)", 0},  // U+2160, a Roman numeral (Nl)
      {"_alert(1)", 90},
      {"$alert(1)", 90},
      {"\xE2\x82\xAC" "alert(1)", 90},
      // A dot right before the name.
      {"x.alert(1)", 90},
      {".alert(1)", 90},
      {" .alert(1)", 0},
      {"x .alert(1)", 0},
      {"x\xE3\x80\x80.alert(1)", 0},
      // The previous word.
      {"x 1 alert(1)", 0},
      {"(1) alert(1)", 90},
      {"x.y alert(1)", 0},
      {"ab1 alert(1)", 0},
      {"\xC3\xA9t\xC3\xA9 alert(1)", 0},
      {"foo\nalert(1)", 90},
      {"x;\nalert(1)", 90},
      {"a\ralert(1)", 90},
      {"a\xE2\x80\xA8" "alert(1)", 90},  // U+2028 is a line break
      {"foo\xC2\xA0" "alert(1)", 0},  // U+A0 is a blank
      {"foo\n return alert(1)", 90},
      {"  alert(1)", 90},
  };
  expect_scores(cases);
}

TEST(XssJsContext, CallOpening) {
  const Case cases[] = {
      {"alert (1)", 90},
      {"alert/*c*/(1)", 90},
      {"alert /* c */ /**/ (1)", 90},
      {"alert?.(1)", 90},
      {"alert/**/?./**/(1)", 90},
      {"alert\xEF\xBB\xBF(1)", 90},
      {"alert\xE2\x80\xA9(1)", 90},
      {"alert/*c(1)", 0},
      {"alert/*/(1)", 0},
      {"alert//c\n(1)", 0},
      {"alert?.x(1)", 0},
      {"alert.call(1)", 0},
      {"alert", 0},
      {"alert?", 0},
      {"alert?.", 0},
      {"alert??.(1)", 0},
      {"alert\xE2\x80\x8B(1)", 0},
  };
  expect_scores(cases);
}

TEST(XssJsContext, Arguments) {
  const Case cases[] = {
      {"alert`1`", 90},
      {"alert`a b`", 0},
      {"alert`(a b)`", 0},
      {"alert(a b)", 0},
      {"alert('a b')", 90},
      {"alert()", 90},
      {"alert(1", 0},
      {"alert((1) a b)", 90},
      {"alert(1)(a b)", 90},
      {"alert(a\tb)", 0},
      {"alert(a1 b)", 90},
      {"alert(\xC3\xA9t\xC3\xA9 b)", 90},
      {"alert(\"x\" + \"y\")", 90},
      {"alert(x + y z)", 0},
      {"alert(a'+'b c)", 0},
      {"alert(a' /*x*/ + /*y*/ \"b c)", 0},
      {"alert(a'/*x\n*/+'b c)", 90},  // "." stops at a line feed: not joined
      {"alert(a' + 'b' + 'c d)", 0},
      {"alert(x + y)", 90},
      // Joined pieces meet: the words come together across removed or empty pieces.
      {"alert(x'+''+' y)", 0},
      {"alert(x'+' '+'y)", 0},
      {"alert(x '+''+'y)", 0},
      {"alert(x'+''+'y)", 90},
      {"alert(x'+'y'+' z)", 0},
      {"alert(x'+'1'+' z)", 90},
      {"alert(x'+'y'+'z)", 90},
      // With the keyword "function".
      {"x = function(){}", 90, "function"},
      {"function foo(a, b)", 0, "function"},
      {"return function (a, b) {}", 90, "function"},
  };
  expect_scores(cases);
}

// \s of the expressions follows Unicode: U+A0 separates two words, and joins across "+".
TEST(XssJsContext, UnicodeWhitespaceInExpressions) {
  const Case cases[] = {
      {"alert(a\xC2\xA0" "b)", 0},
      {"alert(a\vb)", 0},
      {"alert(a'\xC2\xA0+\xE2\x80\x83'b c)", 0},
  };
  expect_scores(cases);
}

}  // namespace
}  // namespace sorvane::evaluation::rules::reflected_xss::match_functions::js_context
