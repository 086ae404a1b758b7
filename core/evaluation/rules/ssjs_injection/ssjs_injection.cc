#include "core/evaluation/rules/ssjs_injection/ssjs_injection.h"

namespace sorvane::evaluation::rules::ssjs_injection {

// Placeholder until the rule's table and operations are built: the rule's own
// configuration variant, and no matches.
std::optional<RuleConfig> SsjsInjection::init() const { return RuleConfig{rule_config::SsjsInjection{}}; }

std::optional<std::vector<PatternMatch>> SsjsInjection::get_matches(const RuleConfig& config,
                                                          std::string_view,
                                                          const InputTraits&) const {
  config.expect<rule_config::SsjsInjection>();
  return std::nullopt;
}

double SsjsInjection::score(const std::vector<PatternMatch>&) const { return 0; }

const SsjsInjection& instance() {
  static const SsjsInjection rule;
  return rule;
}

}  // namespace sorvane::evaluation::rules::ssjs_injection
