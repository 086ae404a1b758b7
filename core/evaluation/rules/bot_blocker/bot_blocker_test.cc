#include "core/evaluation/rules/bot_blocker/bot_blocker.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "core/evaluation/rules/registry.h"
#include "core/evaluation/rules/rule_testing.h"

namespace sorvane::evaluation::rules::bot_blocker {
namespace {

const RuleConfig& config() { return get_rule_config(6); }

std::vector<std::string_view> bot_names(std::string_view user_agent) {
  std::vector<std::string_view> names;
  if (auto matches = check_for_bot(config(), user_agent)) {
    EXPECT_FALSE(matches->empty());
    for (const PatternMatch& m : *matches) {
      EXPECT_EQ(m.level, 3);
      names.push_back(m.id);
    }
  }
  return names;
}

TEST(BotBlocker, FindsSignaturesInTextOrder) {
  struct Case {
    std::string user_agent;
    std::vector<std::string_view> bots;
  };
  const Case cases[] = {
      {"Mozilla/5.0 (compatible; Nikto/2.1.6)", {"Nikto"}},
      {"nikto", {}},
      {"NIKTO", {}},
      {"", {}},
      {"Mozilla/5.0 (Windows NT 10.0; Win64; x64)", {}},
      {"mj12bot and MJ12BOT", {"MJ12bot-1", "MJ12bot-3"}},
      {"Mozilla/5.0 (compatible; MJ12bot/v1.4.8)", {"MJ12bot-2"}},
      // The longest signature ending at a position wins over a shorter one ending there.
      {"BlackWidow", {"BlackWidow"}},
      {"xWidow", {"Widow"}},
      {"NiktoNikto", {"Nikto", "Nikto"}},
      // Matches do not overlap: the search resumes after "Xenu".
      {"XenuZmEu Custo", {"Xenu", "ZmEu", "Custo"}},
      {"masscan/1.3 harvester@example.com", {"masscan/1", "harvester@example.com"}},
      {"Teleport Pro/1.29", {"Teleport Pro"}},
      {"Teleport  Pro", {}},
      {std::string("Nik\0to Nikto", 12), {"Nikto"}},
      {"\xFF\xFE Zeus \xC3", {"Zeus"}},
  };
  for (const Case& c : cases) EXPECT_EQ(bot_names(c.user_agent), c.bots) << c.user_agent;
}

TEST(BotBlocker, LongValueWithManySignatures) {
  std::string value;
  for (int i = 0; i < 10000; ++i) value += "HTTrack ";
  EXPECT_EQ(bot_names(value).size(), 10000u);
}

TEST(BotBlocker, Table) {
  const std::set<std::string_view> renamed = {"MJ12bot-1", "MJ12bot-2", "MJ12bot-3"};
  std::multiset<std::string_view> names;
  for (const BadBot& row : BAD_BOTS) {
    EXPECT_EQ(row.level, 3) << row.name;
    EXPECT_EQ(row.pattern == row.name, !renamed.contains(row.name)) << row.name;
    names.insert(row.name);
  }
  std::set<std::string_view> twice;
  for (std::string_view name : names) {
    if (names.count(name) > 1) twice.insert(name);
  }
  const std::set<std::string_view> expected = {
      "Download Devil", "Download Wonder", "LinkextractorPro", "Xenu",      "BlackWidow",
      "ChinaClaw",      "Custo",           "DISCo",            "Download Demon", "eCatch",
      "EirGrabber",     "EmailSiphon",     "EmailWolf",        "Express WebPictures",
      "Extractor"};
  EXPECT_EQ(twice, expected);
  EXPECT_EQ(BAD_BOTS[15].name, "harvester@example.com");
  EXPECT_EQ(BAD_BOTS.back().name, "Zeus");
}

TEST(BotBlocker, RuleOperations) {
  const BotBlocker& rule = instance();
  InputTraits traits = compute_input_traits("Nikto", 4);
  EXPECT_EQ(testing::matches_of(rule, config(), "Nikto", traits), std::nullopt);
  EXPECT_EQ(rule.score({}), 0.0);
  EXPECT_EQ(rule.score({{"Nikto", 3}, {"Zeus", 3}}), 90.0);
  EXPECT_TRUE(rule.applies_to_input_type(InputType::HeaderValue));
  EXPECT_FALSE(rule.applies_to_input_type(InputType::HeaderKey));
  EXPECT_EQ(config().variant_index(), 0u);
  EXPECT_EQ(config().expect<rule_config::BotBlocker>().data->bots.size(), kBadBotCount);
  EXPECT_EQ(config().expect<rule_config::BotBlocker>().data->automaton.pattern_count(),
            kBadBotCount);
}

TEST(BotBlocker, OtherConfigurationIsFatal) {
  const RuleConfig other{rule_config::MethodTampering{}};
  try {
    check_for_bot(other, "Nikto");
    FAIL() << "no fatal error";
  } catch (const FatalError& e) {
    EXPECT_STREQ(e.what(), "bad RuleConfig");
  }
}

}  // namespace
}  // namespace sorvane::evaluation::rules::bot_blocker
