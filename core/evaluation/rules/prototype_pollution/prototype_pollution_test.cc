#include "core/evaluation/rules/prototype_pollution/prototype_pollution.h"
#include "core/evaluation/rules/rule_testing.h"

#include <gtest/gtest.h>

#include <string>

namespace sorvane::evaluation::rules::prototype_pollution {
namespace {

TEST(PrototypePollution, MatchesPrototypeKeys) {
  constexpr std::uint8_t kReferer = 0;
  constexpr auto kJsonKey = static_cast<std::uint8_t>(InputType::JsonKey);
  constexpr auto kJsonValue = static_cast<std::uint8_t>(InputType::JsonValue);
  constexpr auto kParameterKey = static_cast<std::uint8_t>(InputType::ParameterKey);
  struct Case {
    std::string text;
    std::uint8_t context;
    bool match;
  };
  const Case cases[] = {
      {"__proto__", kJsonKey, true},
      {"__proto__", kJsonValue, true},
      {"__proto__", kParameterKey, true},
      {"__proto__", kReferer, true},
      {"constructor", kJsonKey, true},
      {"prototype", kJsonKey, true},
      {"constructor", kJsonValue, false},
      {"prototype", kParameterKey, false},
      {"prototype", kReferer, false},
      {"__PROTO__", kJsonKey, false},
      {" __proto__", kJsonKey, false},
      {"constructor.", kJsonKey, false},
      {"__proto", kJsonKey, false},
      {"Constructor", kJsonKey, false},
      {"", kJsonKey, false},
  };
  const RuleConfig config{rule_config::PrototypePollution{}};
  for (const Case& c : cases) {
    auto matches =
        testing::matches_of(instance(), config, c.text, compute_input_traits(c.text, c.context));
    ASSERT_EQ(matches.has_value(), c.match) << c.text << " in context " << int(c.context);
    if (matches) {
      EXPECT_EQ(*matches, (std::vector<PatternMatch>{{"PROTO-POLLUTION-1", 3}}));
      EXPECT_EQ(instance().score(*matches), 90.0);
    }
  }
}

TEST(PrototypePollution, AppliesToEveryTypeButMethod) {
  for (int t = 1; t <= 14; ++t) {
    auto type = static_cast<InputType>(t);
    EXPECT_EQ(instance().applies_to_input_type(type), type != InputType::Method) << t;
  }
}

}  // namespace
}  // namespace sorvane::evaluation::rules::prototype_pollution
