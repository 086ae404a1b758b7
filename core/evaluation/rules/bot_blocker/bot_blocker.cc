#include "core/evaluation/rules/bot_blocker/bot_blocker.h"

namespace sorvane::evaluation::rules::bot_blocker {

// Placeholder until the rule's table and operations are built: the rule's own
// configuration variant, and no matches.
std::optional<RuleConfig> BotBlocker::init() const { return RuleConfig{rule_config::BotBlocker{}}; }

std::optional<std::vector<PatternMatch>> BotBlocker::get_matches(const RuleConfig& config,
                                                          std::string_view,
                                                          const InputTraits&) const {
  config.expect<rule_config::BotBlocker>();
  return std::nullopt;
}

double BotBlocker::score(const std::vector<PatternMatch>&) const { return 0; }

const BotBlocker& instance() {
  static const BotBlocker rule;
  return rule;
}

}  // namespace sorvane::evaluation::rules::bot_blocker
