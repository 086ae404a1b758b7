#include "core/evaluation/rules/method_tampering/method_tampering.h"
#include "core/evaluation/rules/rule_testing.h"

#include <gtest/gtest.h>

#include <string>

namespace sorvane::evaluation::rules::method_tampering {
namespace {

TEST(MethodTampering, KnownMethods) {
  struct Case {
    std::string method;
    bool tampering;
  };
  const Case cases[] = {
      {"GET", false},
      {"get", false},
      {"gEt", false},
      {"ACL", false},
      {"MKCOL", false},
      {"propPatch", false},
      {"MKWORKSPACE", false},
      {"version-control", false},
      {"BASELINE-CONTROL", false},
      {"", true},
      {"GE", true},
      {"GETS", true},
      {"FOO", true},
      {"MKWORKSPACES", true},        // 12 bytes
      {"MKCALENDARXYZ", true},       // 13 bytes
      {"VERSION-CONTRO", true},      // 14 bytes
      {"BASELINE-CONTROLS", true},   // 17 bytes
      {"G\xC3\x89T", true},          // 'GÉT'
      {"G\xC3\xA9T", true},          // 'GéT' is not upper-cased
      {" GET", true},
      {"GET ", true},
      {std::string("GET\0", 4), true},
      {"VERSION_CONTROL", true},
      {std::string(1 << 20, 'G'), true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(is_method_tampering(c.method), c.tampering) << c.method.substr(0, 20);
  }
}

TEST(MethodTampering, RuleOperations) {
  const MethodTampering& rule = instance();
  const RuleConfig config{rule_config::MethodTampering{}};
  EXPECT_EQ(testing::matches_of(rule, config, "FOO", compute_input_traits("FOO", 7)), std::nullopt);
  EXPECT_EQ(rule.score({}), 0.0);
  EXPECT_EQ(rule.score({{"X", 3}}), 90.0);
  EXPECT_TRUE(rule.applies_to_input_type(InputType::Method));
  EXPECT_FALSE(rule.applies_to_input_type(InputType::HeaderValue));
}

}  // namespace
}  // namespace sorvane::evaluation::rules::method_tampering
