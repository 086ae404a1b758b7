#include "core/evaluation/rules/reflected_xss/match_functions/match_functions.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "core/evaluation/rules/reflected_xss/match_functions/hit_for_testing.h"
#include "core/fatal_error.h"

namespace sorvane::evaluation::rules::reflected_xss::match_functions {
namespace {

struct Case {
  std::string text;
  std::string_view keyword;
  float score;
};

void expect_scores(MatchFn fn, std::span<const Case> cases) {
  for (const Case& c : cases) {
    const Hit hit = first_hit(c.text, c.keyword);
    EXPECT_EQ(fn(c.keyword, c.text, hit.start, hit.end), c.score) << c.text;
  }
}

TEST(XssMatchFunctions, IsTagName) {
  const Case cases[] = {
      {"<script>", "script", 90},
      {"< iframe src=x>", "iframe", 90},
      {"<\t\n script\n", "script", 90},
      {"<\xE3\x80\x80script\xC2\xA0", "script", 90},  // U+3000 before, U+A0 after
      {"<SCRIPT>", "script", 90},
      {"script>", "script", 0},
      {" script>", "script", 0},
      {"x<script", "script", 0},
      {"<scripts>", "script", 0},
      {"<script/>", "script", 0},
      {"a script>", "script", 0},
      {"<\xE2\x80\x8Bscript>", "script", 0},  // U+200B is not whitespace
  };
  expect_scores(is_tag_name, cases);
}

TEST(XssMatchFunctions, EnsureCaseSensitive) {
  const Case cases[] = {
      {"String.fromCharCode(60)", "fromCharCode", 90},
      {"String.FROMCHARCODE(60)", "fromCharCode", 0},
      {"+ADw-script+AD4-", "+ADw-", 90},
      {"+adw-script", "+ADw-", 0},
      {"x.__proto__", "__proto__", 90},
  };
  expect_scores(ensure_case_sensitive, cases);
}

TEST(XssMatchFunctions, IsObjectMethodCall) {
  const Case cases[] = {
      {"window.alert(1)", "window", 90},
      {"window . alert (1)", "window", 90},
      {"window.alert`1`", "window", 90},
      {"WINDOW.alert(1)", "window", 90},
      {"window.Alert(1)", "window", 0},
      {"window.foo(1)", "window", 0},
      {"window.alert", "window", 0},
      {"window.ab(1)", "window", 0},
      {"top.stop()", "top", 90},
      {"top.write(1)", "top", 0},
      {"document.body.appendChild(x)", "document.body", 90},
      {"document.write(x)", "document", 90},
      {"document.appendChild(x)", "document", 0},
      {"location.reload()", "location", 90},
      {"location.alert()", "location", 0},
      {"console.log(1)", "console", 90},
      {"globalThis.fetch(u)", "globalThis", 90},
      {"this.setTimeout(f)", "this", 90},
      // Bracket access: any string expression before "]".
      {"window['alert'](1)", "window", 90},
      {"window[\"al\"+\"ert\"]", "window", 90},
      {"top[/alert/.source]", "top", 90},
      {"self[ 'x' ]", "self", 90},
      {"self[1]", "self", 0},
      {"self[1 ]", "self", 90},
      {"window['a','b']", "window", 0},
      {"window[x]", "window", 0},
      {"window[", "window", 0},
      {"window['a'", "window", 0},
      {"window .foo['x']", "window", 0},
      {"window", "window", 0},
      // A failed method form still tries the bracket form.
      {"window.foo(1)['x']", "window", 0},
  };
  expect_scores(is_object_method_call, cases);
}

TEST(XssMatchFunctions, ObjectMethodTable) {
  const ObjectMethods& methods = js_object_methods();
  std::set<std::string_view> keys;
  for (const auto& [key, list] : methods) keys.insert(key);
  EXPECT_EQ(keys, (std::set<std::string_view>{"console", "document.body", "document", "frames",
                                               "globalThis", "location", "parent", "self",
                                               "this", "top", "window"}));
  struct ListSize {
    std::string_view key;
    std::size_t size;
  };
  for (const ListSize& ls : {ListSize{"window", 39}, ListSize{"document.body", 56},
                             ListSize{"document", 47}, ListSize{"location", 4},
                             ListSize{"console", 22}}) {
    const auto list = methods.at(ls.key);
    EXPECT_EQ(list.size(), ls.size) << ls.key;
    EXPECT_EQ(std::set<std::string_view>(list.begin(), list.end()).size(), ls.size) << ls.key;
  }
  for (std::string_view alias : {"parent", "self", "top", "this", "globalThis", "frames"}) {
    EXPECT_EQ(methods.at(alias).data(), methods.at("window").data()) << alias;
  }
}

// \s and \w of the expressions follow Unicode: VT, U+A0 and U+2003 are whitespace, and a
// method name may hold letters outside ASCII.
TEST(XssMatchFunctions, UnicodeClassesInExpressions) {
  const Case cases[] = {
      {"window\xC2\xA0.alert(1)", "window", 90},
      {"window\v.\valert\v(1)", "window", 90},
      {"self[\xE2\x80\x83'x'\xE2\x80\x83]", "self", 90},
      {"window.\xC3\xA9t\xC3\xA9(1)", "window", 0},
  };
  expect_scores(is_object_method_call, cases);
}

TEST(XssMatchFunctions, HitOutsideTheTextIsFatal) {
  const std::string text = "<\xC3\xA9script>";
  EXPECT_THAT([&] { is_tag_name("script", text, 3, 20); },
              testing::ThrowsMessage<FatalError>(testing::HasSubstr("keyword hit")));
  EXPECT_THAT([&] { is_object_method_call("window", text, 2, 4); },
              testing::ThrowsMessage<FatalError>(testing::HasSubstr("keyword hit")));
  EXPECT_THAT([&] { ensure_case_sensitive("x", text, 4, 3); },
              testing::ThrowsMessage<FatalError>(testing::HasSubstr("keyword hit")));
}

}  // namespace
}  // namespace sorvane::evaluation::rules::reflected_xss::match_functions
