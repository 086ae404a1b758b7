#include "core/evaluation/rules/reflected_xss/matcher.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>

#include "core/evaluation/rules/reflected_xss/match_functions/text_scan.h"
#include "core/evaluation/rules/reflected_xss/matcher_plain_for_testing.h"
#include "core/evaluation/rules/reflected_xss/matches_for_testing.h"

namespace sorvane::evaluation::rules::reflected_xss {
namespace {

using testing::ElementsAre;
using testing::IsEmpty;

TEST(XssMatcherTable, KeywordsAreTheRowsListsInOrder) {
  const XssMatcher matcher;
  std::vector<std::string_view> concatenated;
  std::vector<std::vector<std::size_t>> rows_of;
  for (std::size_t row = 0; row < XSS_PATTERN_DEFS.size(); ++row) {
    if (!XSS_PATTERN_DEFS[row].keywords) continue;
    for (std::string_view k : *XSS_PATTERN_DEFS[row].keywords) {
      concatenated.push_back(k);
      rows_of.push_back({row});
    }
  }
  EXPECT_EQ(matcher.keywords().size(), 465u);
  EXPECT_EQ(matcher.keywords(), concatenated);
  EXPECT_EQ(matcher.keyword_patterns(), rows_of);
  EXPECT_EQ(XSS_PATTERN_DEFS[0].keywords->size(), 400u);
  for (std::string_view k : matcher.keywords()) {
    for (char c : k) EXPECT_LT(static_cast<unsigned char>(c), 0x80) << k;
  }
  const std::string_view suffix = (*XSS_PATTERN_DEFS[11].keywords)[3];
  EXPECT_EQ(suffix.size(), 7u);
  EXPECT_EQ(suffix.front(), '.');
}

TEST(XssMatcherTable, PatternsInRowOrder) {
  const XssMatcher matcher;
  const std::vector<std::string_view> ids = {
      "BAD-EVENT_HANDLERS-1", "ANGULAR-CONTEXT-BREAK", "PIDS-XSS-38A", "CSS-REMOTE-URL-1",
      "CSS-REMOTE-URL-2", "STYLE-IMPORTS", "BAD-JS-OBJECT", "BAD-JS-FUNCTION-CALL",
      "EVALUATORS-XSS-Function-Definitions", "EVALUATORS-XSS-Lambda-Definitions", "DATA-URI-1",
      "QUENLITH-XSS-KEYWORDS-1", "QUENLITH-XSS-KEYWORDS-2"};
  ASSERT_EQ(matcher.patterns().size(), ids.size());
  for (std::size_t i = 0; i < ids.size(); ++i) {
    const XssEvalPattern& p = matcher.patterns()[i];
    EXPECT_EQ(p.id, ids[i]);
    EXPECT_EQ(p.has_keywords, i != 1) << p.id;
    const bool expression = p.evaluator.kind == XssEvaluatorKind::WholeTextRegex ||
                            p.evaluator.kind == XssEvaluatorKind::RegexAfterKeyword;
    EXPECT_EQ(p.regex.has_value(), expression) << p.id;
  }
}

// Inputs matched directly (no gate, no decoding), with the set of the text itself.
struct Case {
  std::string text;
  std::vector<PatternMatch> matches;  // empty: none
};

void expect_matches(const XssMatcher& matcher, std::span<const Case> cases) {
  for (const Case& c : cases) {
    expect_matches_of(c.text, matcher.get_matches(c.text, compute_input_traits(c.text, 9)),
                      c.matches);
  }
}

TEST(XssMatcherTable, EachPatternMatches) {
  const XssMatcher matcher;
  const Case cases[] = {
      {"onclick=alert(1)", {m("BAD-EVENT_HANDLERS-1", 3)}},
      {"ONCLICK = 1; more text here", {m("BAD-EVENT_HANDLERS-1", 3)}},
      {std::string("onclick\t\0\n=1", 11), {m("BAD-EVENT_HANDLERS-1", 3)}},
      {"onclick x=1", {}},
      {"{}.\")//", {m("ANGULAR-CONTEXT-BREAK", 3)}},
      {"{ } . \"abc)//", {m("ANGULAR-CONTEXT-BREAK", 3)}},
      {"{}.\"a\n)//", {}},
      {"<script>", {m("PIDS-XSS-38A", 3)}},
      {"a { background-image : URL(x) }", {m("CSS-REMOTE-URL-1", 3)}},
      {"a { background-image: x url(x) }", {}},
      {"div { cursor: pointer x-url(evil) }", {m("CSS-REMOTE-URL-2", 3)}},
      {"@import 'x.css'", {m("STYLE-IMPORTS", 3)}},
      {"@import url(x)", {}},
      {"x=window.alert(1)", {m("BAD-JS-OBJECT", 3)}},
      {"x=confirm('a b')", {m("BAD-JS-FUNCTION-CALL", 3)}},
      {"please confirm (yes or no)", {}},
      {"x = function(){}", {m("EVALUATORS-XSS-Function-Definitions", 3)}},
      {"x = () => { y }", {m("EVALUATORS-XSS-Lambda-Definitions", 3)}},
      {"x => /* c */ {y}", {m("EVALUATORS-XSS-Lambda-Definitions", 3)}},
      {"x => y + {}", {}},
      {"data:text/html", {m("DATA-URI-1", 3)}},
      {"data:text/plain", {}},
      {"data: image/svg+xml", {m("DATA-URI-1", 3)}},
      {"src=javascript:x", {m("QUENLITH-XSS-KEYWORDS-1", 3)}},
      {"x.constructor.prototype(1)", {m("QUENLITH-XSS-KEYWORDS-2", 3)}},
      {"a.__proto__.b", {m("QUENLITH-XSS-KEYWORDS-2", 3)}},
      {"a.__PROTO__.b", {}},
      {"hello world", {}},
  };
  expect_matches(matcher, cases);
}

TEST(XssMatcherTable, LeftmostLongestHitsIgnoringCase) {
  const XssMatcher matcher;
  const Case cases[] = {
      // ".constructor." at the dot wins over "constructor" of the function-call row.
      {"x.constructor.prototype(1)", {m("QUENLITH-XSS-KEYWORDS-2", 3)}},
      // "document.body" wins over "document"; only the element methods count.
      {"x=document.body.appendChild(y)", {m("BAD-JS-OBJECT", 3)}},
      {"x=document.body.write(y)", {}},
      {"x=DOCUMENT.write(y)", {m("BAD-JS-OBJECT", 3)}},
      {"x = JavaScript:alert", {m("QUENLITH-XSS-KEYWORDS-1", 3)}},
  };
  expect_matches(matcher, cases);
}

// A small table exercises the running total, the levels and the pre-filters.
float score_5(std::string_view, match_functions::TextScan&, std::size_t, std::size_t) { return 5; }
float score_10(std::string_view, match_functions::TextScan&, std::size_t, std::size_t) { return 10; }
float score_45(std::string_view, match_functions::TextScan&, std::size_t, std::size_t) { return 45; }
float score_89(std::string_view, match_functions::TextScan&, std::size_t, std::size_t) { return 89.9f; }
float score_nan(std::string_view, match_functions::TextScan&, std::size_t, std::size_t) {
  return std::numeric_limits<float>::quiet_NaN();
}
float score_negative(std::string_view, match_functions::TextScan&, std::size_t, std::size_t) {
  return -50;
}
// Scores when the keyword passed is the table's spelling, whatever the text spells.
float table_spelling(std::string_view keyword, match_functions::TextScan& scan,
                     std::size_t start, std::size_t end) {
  return keyword == "Key" && scan.text().substr(start, end - start) == "KEY" ? 90 : 0;
}

constexpr XssEvaluator fn(match_functions::ScanMatchFn f) {
  return {XssEvaluatorKind::MatchFunction, {}, 0, f};
}

TEST(XssMatcher, RunningTotalStopsAtNinety) {
  static constexpr std::string_view kA[] = {"aaa"};
  static constexpr std::string_view kB[] = {"bbb"};
  static constexpr std::string_view kAB[] = {"bbb", "aaa"};
  static constexpr std::string_view kKey[] = {"Key"};
  static constexpr XssPatternDef defs[] = {
      {fn(score_45), "A45", {}, {}, std::span(kA)},
      {fn(score_89), "B89", {}, {}, std::span(kB)},
      {fn(score_5), "AB5", {}, {}, std::span(kAB)},
      {fn(score_10), "B10", {}, {}, std::span(kB)},
      {fn(table_spelling), "KEY", {}, {}, std::span(kKey)},
  };
  const XssMatcher matcher(defs);
  EXPECT_EQ(matcher.keywords(), (std::vector<std::string_view>{"aaa", "bbb", "Key"}));
  EXPECT_EQ(matcher.keyword_patterns(),
            (std::vector<std::vector<std::size_t>>{{0, 2}, {1, 2, 3}, {4}}));
  const Case cases[] = {
      // 45 + 5 + 45 = 95, reached at the first pattern of the second hit.
      {"aaa aaa", {m("A45", 2), m("AB5", 0), m("A45", 2)}},
      // 45 + 5 = 50 is not enough: the matches are discarded.
      {"aaa", {}},
      // 89.9 + 5 reaches 90 at the second pattern of the hit; "B10" is not evaluated.
      {"bbb", {m("B89", 2), m("AB5", 0)}},
      {"xKEYx", {m("KEY", 3)}},
      {"key", {}},
  };
  expect_matches(matcher, cases);
}

TEST(XssMatcher, ScoresThatAddNothing) {
  static constexpr std::string_view kA[] = {"aaa"};
  static constexpr XssPatternDef defs[] = {
      {fn(score_nan), "NAN", {}, {}, std::span(kA)},
      {fn(score_negative), "NEG", {}, {}, std::span(kA)},
      {{XssEvaluatorKind::Keyword, {}, 0, nullptr}, "ZERO", {}, {}, std::span(kA)},
      {fn(score_89), "B89", {}, {}, std::span(kA)},
  };
  const XssMatcher matcher(defs);
  const Case cases[] = {
      {"aaa", {}},
      {"aaa aaa", {m("B89", 2), m("B89", 2)}},
  };
  expect_matches(matcher, cases);
}

TEST(XssMatcher, KeywordlessPatternsRunFirst) {
  static constexpr std::string_view kA[] = {"aaa"};
  static constexpr XssPatternDef defs[] = {
      {fn(score_45), "A45", {}, {}, std::span(kA)},
      {{XssEvaluatorKind::WholeTextRegex, "z+", 45, nullptr}, "WHOLE", {}, {}, std::nullopt},
      {{XssEvaluatorKind::Keyword, {}, 45, nullptr}, "ALWAYS", {}, {}, std::nullopt},
      {{XssEvaluatorKind::RegexAfterKeyword, "^=", 90, nullptr}, "AFTER", {}, {},
       std::nullopt},
  };
  const XssMatcher matcher(defs);
  const Case cases[] = {
      {"zz aaa", {m("WHOLE", 2), m("ALWAYS", 2)}},
      {"aaa", {m("ALWAYS", 2), m("A45", 2)}},
      {"=", {}},
  };
  expect_matches(matcher, cases);
}

TEST(XssMatcher, CharacterPrefilters) {
  static constexpr std::string_view kA[] = {"aaa"};
  static constexpr char32_t kLt[] = {'<'};
  static constexpr char32_t kLtAndE[] = {'<', U'\u00E9'};
  static constexpr char32_t kOnlyE[] = {U'\u00E9'};
  static constexpr char32_t kEOrGt[] = {U'\u00E9', '>'};
  const Case with_lt = {"<aaa>\xC3\xA9", {m("P", 3)}};
  const Case without_gt = {"<aaa\xC3\xA9", {}};
  struct Row {
    XssPatternDef def;
    bool matches_with_lt;
    bool matches_without_gt;
  };
  const Row rows[] = {
      {{fn(score_89), "P", kLt, {}, std::span(kA)}, true, true},
      {{fn(score_89), "P", kLtAndE, {}, std::span(kA)}, false, false},  // é never occurs
      {{fn(score_89), "P", {}, std::span<const char32_t>(), std::span(kA)}, false, false},
      {{fn(score_89), "P", {}, kOnlyE, std::span(kA)}, false, false},
      {{fn(score_89), "P", {}, kEOrGt, std::span(kA)}, true, false},
  };
  for (const Row& row : rows) {
    XssPatternDef defs[] = {row.def, row.def};  // two additions of 89.9 reach 90
    defs[1].keywords = std::nullopt;
    defs[1].evaluator = {XssEvaluatorKind::Keyword, {}, 0.5f, nullptr};
    const XssMatcher matcher(defs);
    for (const auto& [c, expected] : {std::pair{&with_lt, row.matches_with_lt},
                                      std::pair{&without_gt, row.matches_without_gt}}) {
      const auto got = matcher.get_matches(c->text, compute_input_traits(c->text, 9));
      EXPECT_EQ(got.has_value(), expected) << c->text;
    }
  }
}

// The match functions answer alike whether their searches over the text are shared or made
// afresh for every hit (short texts are searched afresh by default): random texts of keywords
// and the syntax around them, short and long.
// Random texts of keywords and script pieces: shared and fresh searches, and the matcher's
// steps as written (pre-filters from the lists, a hit's patterns from their keyword lists).
TEST(XssMatcher, SharedAndFreshSearchesGiveTheSameMatches) {
  const XssMatcher matcher;
  const PlainXssMatcher plain;
  const std::vector<std::string> tokens = {
      "eval", "alert", "function", "window", "console", "document.body", ".open", ".log",
      ".appendChild", "onerror", "script", "src", "=", "<", ">", "(", ")", "'", "\"", "`", "+",
      " ", "\t", "\n", "a b", "x", "1", "[", "]", "/*", "*/", "?.", "=>", "{", "}", "return ",
      "data:", "text/html", ":url(", "\xC2\xA0", "\xC3\xA9", "'+'", ";", "eval(1)", "alert(x y)",
      "window.open(1)", "<script>", "onerror=", "x=alert('a b')"};
  std::mt19937 rng(99);
  std::size_t found = 0;
  for (int n = 0; n < 30000; ++n) {
    std::string text;
    for (std::size_t i = 1 + rng() % (n % 4 == 0 ? 40 : 10); i > 0; --i) {
      text += tokens[rng() % tokens.size()];
    }
    const auto traits = compute_input_traits(text, 9);
    const auto shared = matcher.get_matches(text, traits, match_functions::TextScan::Sharing::Shared);
    ASSERT_EQ(matcher.get_matches(text, traits, match_functions::TextScan::Sharing::Direct), shared)
        << text;
    ASSERT_EQ(matcher.get_matches(text, traits), shared) << text;
    ASSERT_EQ(plain.get_matches(text, traits), shared) << text;
    found += shared.has_value();
  }
  EXPECT_GT(found, 5000u);
}

TEST(XssMatcher, Levels) {
  EXPECT_EQ(level_of_score(0), 0);
  EXPECT_EQ(level_of_score(9.99f), 0);
  EXPECT_EQ(level_of_score(10), 2);
  EXPECT_EQ(level_of_score(89.99f), 2);
  EXPECT_EQ(level_of_score(90), 3);
  EXPECT_EQ(level_of_score(1000), 3);
}

}  // namespace
}  // namespace sorvane::evaluation::rules::reflected_xss
