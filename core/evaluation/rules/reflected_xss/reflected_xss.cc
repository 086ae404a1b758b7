#include "core/evaluation/rules/reflected_xss/reflected_xss.h"

namespace sorvane::evaluation::rules::reflected_xss {

// Placeholder until the rule's table and operations are built: the rule's own
// configuration variant, and no matches.
std::optional<RuleConfig> ReflectedXss::init() const { return RuleConfig{rule_config::ReflectedXss{}}; }

std::optional<std::vector<PatternMatch>> ReflectedXss::get_matches(const RuleConfig& config,
                                                          std::string_view,
                                                          const InputTraits&) const {
  config.expect<rule_config::ReflectedXss>();
  return std::nullopt;
}

double ReflectedXss::score(const std::vector<PatternMatch>&) const { return 0; }

const ReflectedXss& instance() {
  static const ReflectedXss rule;
  return rule;
}

}  // namespace sorvane::evaluation::rules::reflected_xss
