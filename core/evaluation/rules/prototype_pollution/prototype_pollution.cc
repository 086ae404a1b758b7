#include "core/evaluation/rules/prototype_pollution/prototype_pollution.h"

namespace sorvane::evaluation::rules::prototype_pollution {

// Placeholder until the rule's table and operations are built: the rule's own
// configuration variant, and no matches.
std::optional<RuleConfig> PrototypePollution::init() const { return RuleConfig{rule_config::PrototypePollution{}}; }

std::optional<std::vector<PatternMatch>> PrototypePollution::get_matches(const RuleConfig& config,
                                                          std::string_view,
                                                          const InputTraits&) const {
  config.expect<rule_config::PrototypePollution>();
  return std::nullopt;
}

double PrototypePollution::score(const std::vector<PatternMatch>&) const { return 0; }

const PrototypePollution& instance() {
  static const PrototypePollution rule;
  return rule;
}

}  // namespace sorvane::evaluation::rules::prototype_pollution
