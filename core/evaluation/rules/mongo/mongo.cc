#include "core/evaluation/rules/mongo/mongo.h"

namespace sorvane::evaluation::rules::mongo {

// Placeholder until the rule's table and operations are built: the rule's own
// configuration variant, and no matches.
std::optional<RuleConfig> NosqlInjectionMongo::init() const { return RuleConfig{rule_config::NosqlInjectionMongo{}}; }

std::optional<std::vector<PatternMatch>> NosqlInjectionMongo::get_matches(const RuleConfig& config,
                                                          std::string_view,
                                                          const InputTraits&) const {
  config.expect<rule_config::NosqlInjectionMongo>();
  return std::nullopt;
}

double NosqlInjectionMongo::score(const std::vector<PatternMatch>&) const { return 0; }

const NosqlInjectionMongo& instance() {
  static const NosqlInjectionMongo rule;
  return rule;
}

}  // namespace sorvane::evaluation::rules::mongo
