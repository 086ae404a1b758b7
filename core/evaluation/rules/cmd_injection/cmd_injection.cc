#include "core/evaluation/rules/cmd_injection/cmd_injection.h"

namespace sorvane::evaluation::rules::cmd_injection {

// Placeholder until the rule's table and operations are built: the rule's own
// configuration variant, and no matches.
std::optional<RuleConfig> CmdInjection::init() const { return RuleConfig{rule_config::CmdInjection{}}; }
bool CmdInjection::is_worth_watching(const RuleConfig& config, std::string_view, const InputTraits&) const {
  config.expect<rule_config::CmdInjection>();
  return false;
}

std::optional<std::vector<PatternMatch>> CmdInjection::get_matches(const RuleConfig& config,
                                                          std::string_view,
                                                          const InputTraits&) const {
  config.expect<rule_config::CmdInjection>();
  return std::nullopt;
}

double CmdInjection::score(const std::vector<PatternMatch>&) const { return 0; }

const CmdInjection& instance() {
  static const CmdInjection rule;
  return rule;
}

}  // namespace sorvane::evaluation::rules::cmd_injection
