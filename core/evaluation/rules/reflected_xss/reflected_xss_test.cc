#include "core/evaluation/rules/reflected_xss/reflected_xss.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "core/evaluation/rules/reflected_xss/matcher.h"
#include "core/evaluation/rules/reflected_xss/matches_for_testing.h"
#include "core/fatal_error.h"
#include "core/evaluation/rules/rule_testing.h"

namespace sorvane::evaluation::rules::reflected_xss {
namespace {

const RuleConfig& config() {
  static const RuleConfig c = *instance().init();
  return c;
}

std::optional<std::vector<PatternMatch>> matches_of(std::string_view text) {
  return rules::testing::matches_of(instance(), config(), text, compute_input_traits(text, 9));
}

TEST(XssRule, RuleShape) {
  EXPECT_EQ(instance().get_index(), 2);
  EXPECT_EQ(config().variant_index(), 4u);
  EXPECT_NE(config().expect<rule_config::ReflectedXss>().matcher, nullptr);
  EXPECT_FALSE(instance().implements_worth_watching());
  struct TypeCase {
    InputType type;
    bool applies;
  };
  for (const TypeCase& c : {TypeCase{InputType::JsonValue, true},
                            TypeCase{InputType::ParameterKey, true},
                            TypeCase{InputType::ParameterValue, true},
                            TypeCase{InputType::UriPath, true},
                            TypeCase{InputType::UrlParameter, true},
                            TypeCase{InputType::XmlValue, true},
                            TypeCase{InputType::HeaderValue, false},
                            TypeCase{InputType::CookieValue, false},
                            TypeCase{InputType::JsonKey, false},
                            TypeCase{InputType::RawBody, false}}) {
    EXPECT_EQ(instance().applies_to_input_type(c.type), c.applies) << static_cast<int>(c.type);
  }
  EXPECT_EQ(SHORT_VECTORS.size(), 97u);
  const std::set<std::string_view> distinct(SHORT_VECTORS.begin(), SHORT_VECTORS.end());
  EXPECT_EQ(distinct.size(), SHORT_VECTORS.size());
  EXPECT_EQ(distinct.count(""), 0u);
}

TEST(XssRule, GatesAndDecoding) {
  struct Case {
    std::string text;
    std::vector<PatternMatch> matches;  // empty: none
  };
  const Case cases[] = {
      {"hello world", {}},
      {"<script>", {m("PIDS-XSS-38A", 3)}},
      {"<SCRIPT>", {m("PIDS-XSS-38A", 3)}},
      {"onclick=alert(1)", {m("BAD-EVENT_HANDLERS-1", 3)}},
      {"ONCLICK = 1; more text here", {m("BAD-EVENT_HANDLERS-1", 3)}},
      // Short inputs need a short vector: 16 bytes are short, 17 are not.
      {"{}.\")//", {}},
      {"{}.\")//abcdefghij", {m("ANGULAR-CONTEXT-BREAK", 3)}},
      {"<iframe>12345678", {}},
      {"<iframe>123456789", {m("PIDS-XSS-38A", 3)}},
      // Any one short vector opens the gate.
      {"onabort=1", {m("BAD-EVENT_HANDLERS-1", 3)}},
      {"oncut=1", {m("BAD-EVENT_HANDLERS-1", 3)}},
      {"onfocus=1", {m("BAD-EVENT_HANDLERS-1", 3)}},
      {"onload=1", {m("BAD-EVENT_HANDLERS-1", 3)}},
      {"onwaiting=1", {m("BAD-EVENT_HANDLERS-1", 3)}},
      // JavaScript escapes, then HTML references.
      {"\\x6fnclick=alert(1)", {m("BAD-EVENT_HANDLERS-1", 3)}},
      {"\\u0061lert(1)", {m("BAD-JS-FUNCTION-CALL", 3)}},
      {"x<&#115;cript> and more", {m("PIDS-XSS-38A", 3)}},
      {"x=&#97;lert(1) more", {m("BAD-JS-FUNCTION-CALL", 3)}},
      // The HTML decoder runs second: its output is not JavaScript-decoded.
      {"&#92;x61lert(1) and more", {}},
      // Pre-filters read the undecoded input: it holds no "<", or no parenthesis.
      {"&#60;script&#62; and more words", {}},
      {"x=&#97;lert&lpar;1&rpar; more", {}},
      {"x.constructor.prototype(1)", {m("QUENLITH-XSS-KEYWORDS-2", 3)}},
  };
  for (const Case& c : cases) {
    expect_matches_of(c.text, matches_of(c.text), c.matches);
  }
}

TEST(XssRule, OtherRulesConfigurationIsFatal) {
  const RuleConfig other{rule_config::MethodTampering{}};
  const std::string text = "<script>";
  const InputTraits traits = compute_input_traits(text, 9);
  EXPECT_THAT([&] { rules::testing::matches_of(instance(), other, text, traits); },
              ::testing::ThrowsMessage<FatalError>(::testing::StrEq("bad RuleConfig")));
  const RuleConfig empty{rule_config::ReflectedXss{}};
  EXPECT_THAT([&] { rules::testing::matches_of(instance(), empty, text, traits); },
              ::testing::ThrowsMessage<FatalError>(::testing::StrEq("bad RuleConfig")));
}

TEST(XssRule, Score) {
  struct Case {
    std::vector<std::uint8_t> levels;
    double score;
  };
  const Case cases[] = {
      {{3}, 90.0}, {{2, 2}, 10.0}, {{0, 2}, 90.0}, {{1, 2}, 90.0},
      {{1}, 10.0}, {{0}, 0.0},     {{}, 0.0},      {{0, 0, 3}, 90.0},
  };
  for (const Case& c : cases) {
    std::vector<PatternMatch> matches;
    for (std::uint8_t level : c.levels) matches.push_back(m("X", level));
    EXPECT_EQ(instance().score(matches), c.score) << ::testing::PrintToString(c.levels);
  }
}

}  // namespace
}  // namespace sorvane::evaluation::rules::reflected_xss
