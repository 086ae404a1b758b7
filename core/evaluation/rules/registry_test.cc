#include "core/evaluation/rules/registry.h"

#include <gtest/gtest.h>

#include <latch>
#include <thread>
#include <vector>

#include "core/evaluation/input_type.h"
#include "core/evaluation/rules/rule.h"

namespace sorvane::evaluation::rules {
namespace {

TEST(RuleTypeText, NamesTheTenBitsAndNothingElse) {
  struct Case {
    RuleType rule;
    std::string_view name;
  };
  const Case cases[] = {
      {1, "unsafe-file-upload"},   {2, "path-traversal"},       {4, "reflected-xss"},
      {8, "sql-injection"},        {16, "cmd-injection"},       {32, "nosql-injection-mongo"},
      {64, "bot-blocker"},         {128, "ssjs-injection"},     {256, "method-tampering"},
      {512, "prototype-pollution"}, {0, "invalid-rule"},        {3, "invalid-rule"},
      {1024, "invalid-rule"},      {0x8000, "invalid-rule"},    {0xFFFF, "invalid-rule"},
  };
  for (const Case& c : cases) EXPECT_EQ(rule_name(c.rule), c.name) << c.rule;
}

TEST(InputTypeText, IsTheVariantName) {
  struct Case {
    std::uint8_t value;
    std::string_view name;
  };
  const Case cases[] = {
      {1, "CookieName"},   {2, "CookieValue"},    {3, "HeaderKey"},     {4, "HeaderValue"},
      {5, "JsonKey"},      {6, "JsonValue"},      {7, "Method"},        {8, "ParameterKey"},
      {9, "ParameterValue"}, {10, "UriPath"},     {11, "UrlParameter"}, {12, "MultipartName"},
      {13, "XmlValue"},    {14, "RawBody"},       {15, "FirstInvalid"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(input_type_name(static_cast<InputType>(c.value)), c.name);
  }
}

TEST(RuleLookup, EachBitNamesTheRuleWithThatIndex) {
  for (std::uint8_t index = 0; index < kRuleCount; ++index) {
    const Rule* rule = rule_by_type(static_cast<RuleType>(1u << index));
    ASSERT_NE(rule, nullptr);
    EXPECT_EQ(rule, rule_by_index(index));
    EXPECT_EQ(rule->get_index(), index);
  }
  for (RuleType other : {0, 3, 1024, 0xFFFF}) {
    EXPECT_EQ(rule_by_type(other), nullptr) << other;
  }
  EXPECT_EQ(rule_by_index(10), nullptr);
}

TEST(Registry, EntryHoldsTheVariantOfItsRule) {
  // Registry index -> RuleConfig variant (declaration order differs from the index).
  const std::size_t expected_variant[kRuleCount] = {8, 3, 4, 5, 1, 6, 0, 7, 2, 9};
  const AgentConfig& config = CONFIG();
  for (std::uint8_t index = 0; index < kRuleCount; ++index) {
    ASSERT_TRUE(config.rule_configs[index].has_value()) << int(index);
    EXPECT_EQ(config.rule_configs[index]->variant_index(), expected_variant[index]) << int(index);
    EXPECT_EQ(&get_rule_config(index), &*config.rule_configs[index]);
  }
}

TEST(Registry, IndexPastTheRulesIsFatal) {
  EXPECT_THROW(get_rule_config(10), FatalError);
  EXPECT_THROW(get_rule_config(255), FatalError);
}

TEST(Registry, RuleHandedAnotherRulesConfigurationPanics) {
  // Passes every rule's cheap guards, so each rule reaches its configuration.
  constexpr std::string_view kText =
      "x' or 1=1; <script>alert(document.cookie)</script> ../../etc/passwd $where sleep(1)";
  const InputTraits traits = compute_input_traits(kText, 9);
  // The bot blocker, method tampering and prototype pollution never read their
  // configuration in get_matches; every other rule does.
  for (std::uint8_t index : {0, 1, 2, 3, 4, 5, 7}) {
    const Rule* rule = rule_by_index(index);
    const RuleConfig& other = get_rule_config((index + 1) % kRuleCount);
    try {
      std::vector<PatternMatch> matches;
      rule->get_matches(other, kText, traits, matches);
      ADD_FAILURE() << "no panic for rule " << int(index);
    } catch (const FatalError& e) {
      EXPECT_EQ(e.message(), "bad RuleConfig");
      EXPECT_TRUE(e.static_payload());
    }
  }
}

TEST(Registry, ConcurrentFirstUseSharesOneRegistry) {
  // Run alone (as ctest does), this is the first use of the registry in the process.
  constexpr int kThreads = 8;
  std::latch start(kThreads);
  std::vector<const AgentConfig*> seen(kThreads);
  std::vector<std::thread> threads;
  for (int i = 0; i < kThreads; ++i) {
    threads.emplace_back([&, i] {
      start.arrive_and_wait();
      seen[i] = &CONFIG();
    });
  }
  for (auto& t : threads) t.join();
  for (const AgentConfig* config : seen) EXPECT_EQ(config, &CONFIG());
}

TEST(Rules, WorthWatchingOnlyForSqlAndCommandInjection) {
  for (std::uint8_t index = 0; index < kRuleCount; ++index) {
    const Rule* rule = rule_by_index(index);
    const bool expected = index == 3 || index == 4;
    EXPECT_EQ(rule->implements_worth_watching(), expected) << int(index);
    if (!expected) {
      for (std::string_view text : {"", "' or 1=1 --", "; cat /etc/passwd"}) {
        EXPECT_FALSE(rule->is_worth_watching(get_rule_config(index), text,
                                             compute_input_traits(text, 9)));
      }
    }
  }
}

TEST(Rules, ApplyToTheirInputTypes) {
  // Registry index -> the input-type mask the rule applies to (bit v: InputType v).
  const std::uint16_t masks[kRuleCount] = {0x1000, 0x2F7E, 0x2F40, 0x2F5E, 0x2B5E,
                                                  0xEF5F, 0x0010, 0xEF5F, 0x0080, 0xFF7F};
  for (std::uint8_t index = 0; index < kRuleCount; ++index) {
    const Rule* rule = rule_by_index(index);
    for (unsigned v = 1; v <= 15; ++v) {
      EXPECT_EQ(rule->applies_to_input_type(static_cast<InputType>(v)), ((masks[index] >> v) & 1) != 0)
          << "rule " << int(index) << " input type " << v;
    }
  }
  // Values outside the mask's sixteen bits never apply.
  EXPECT_FALSE(rule_by_index(9)->applies_to_input_type(static_cast<InputType>(16)));
  EXPECT_FALSE(rule_by_index(9)->applies_to_input_type(static_cast<InputType>(200)));
}

}  // namespace
}  // namespace sorvane::evaluation::rules
