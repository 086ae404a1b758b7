#include "core/evaluation/rules/method_tampering/method_tampering.h"

namespace sorvane::evaluation::rules::method_tampering {

// Placeholder until the rule's table and operations are built: the rule's own
// configuration variant, and no matches.
std::optional<RuleConfig> MethodTampering::init() const { return RuleConfig{rule_config::MethodTampering{}}; }

std::optional<std::vector<PatternMatch>> MethodTampering::get_matches(const RuleConfig& config,
                                                          std::string_view,
                                                          const InputTraits&) const {
  config.expect<rule_config::MethodTampering>();
  return std::nullopt;
}

double MethodTampering::score(const std::vector<PatternMatch>&) const { return 0; }

const MethodTampering& instance() {
  static const MethodTampering rule;
  return rule;
}

}  // namespace sorvane::evaluation::rules::method_tampering
