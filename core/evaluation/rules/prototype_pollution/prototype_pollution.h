// The prototype-pollution rule: an input that is exactly a key through which object
// prototypes can be reached.
#pragma once

#include "core/evaluation/rules/rule.h"

namespace sorvane::evaluation::rules::prototype_pollution {

class PrototypePollution final
    : public RuleBase<kPrototypePollution, InputTypeSet::all_except({InputType::Method})> {
 public:
  std::optional<RuleConfig> init() const override;
  // "__proto__" in any context; "constructor" and "prototype" too for a JSON key. The
  // configuration is not read.
  void get_matches(const RuleConfig& config, std::string_view text, const InputTraits& traits,
                   std::vector<PatternMatch>& matches) const override;
  double score(const std::vector<PatternMatch>& matches) const override;
  // From "prototype" to "constructor".
  MatchLengths match_lengths() const override { return {.min = 9, .max = 11}; }
};

// The one instance of the rule.
const PrototypePollution& instance();

}  // namespace sorvane::evaluation::rules::prototype_pollution
