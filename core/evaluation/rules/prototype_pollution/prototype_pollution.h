// The prototype-pollution rule: an input that is exactly a key through which object
// prototypes can be reached.
#pragma once

#include "core/evaluation/rules/rule.h"

namespace sorvane::evaluation::rules::prototype_pollution {

class PrototypePollution final : public Rule {
 public:
  std::optional<RuleConfig> init() const override;
  std::uint8_t get_index() const override { return 9; }
  bool applies_to_input_type(InputType type) const override {
    return mask_has(kInputTypes, type);
  }
  // "__proto__" in any context; "constructor" and "prototype" too for a JSON key. The
  // configuration is not read.
  std::optional<std::vector<PatternMatch>> get_matches(const RuleConfig& config,
                                                       std::string_view text,
                                                       const InputTraits& traits) const override;
  double score(const std::vector<PatternMatch>& matches) const override;

  static constexpr std::uint16_t kInputTypes = 0xFFFF & ~(1 << 7);
};

// The one instance of the rule.
const PrototypePollution& instance();

}  // namespace sorvane::evaluation::rules::prototype_pollution
