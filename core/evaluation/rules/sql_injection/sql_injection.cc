#include "core/evaluation/rules/sql_injection/sql_injection.h"

namespace sorvane::evaluation::rules::sql_injection {

// Placeholder until the rule's table and operations are built: the rule's own
// configuration variant, and no matches.
std::optional<RuleConfig> SqlInjection::init() const { return RuleConfig{rule_config::SqlInjection{}}; }
bool SqlInjection::is_worth_watching(const RuleConfig& config, std::string_view, const InputTraits&) const {
  config.expect<rule_config::SqlInjection>();
  return false;
}

std::optional<std::vector<PatternMatch>> SqlInjection::get_matches(const RuleConfig& config,
                                                          std::string_view,
                                                          const InputTraits&) const {
  config.expect<rule_config::SqlInjection>();
  return std::nullopt;
}

double SqlInjection::score(const std::vector<PatternMatch>&) const { return 0; }

const SqlInjection& instance() {
  static const SqlInjection rule;
  return rule;
}

}  // namespace sorvane::evaluation::rules::sql_injection
