#include "core/evaluation/rules/path_traversal/path_traversal.h"

namespace sorvane::evaluation::rules::path_traversal {

// Placeholder until the rule's table and operations are built: the rule's own
// configuration variant, and no matches.
std::optional<RuleConfig> PathTraversal::init() const { return RuleConfig{rule_config::PathTraversal{}}; }

std::optional<std::vector<PatternMatch>> PathTraversal::get_matches(const RuleConfig& config,
                                                          std::string_view,
                                                          const InputTraits&) const {
  config.expect<rule_config::PathTraversal>();
  return std::nullopt;
}

double PathTraversal::score(const std::vector<PatternMatch>&) const { return 0; }

const PathTraversal& instance() {
  static const PathTraversal rule;
  return rule;
}

}  // namespace sorvane::evaluation::rules::path_traversal
