// The SqlInjection rule.
#pragma once

#include "core/evaluation/rules/rule.h"

namespace sorvane::evaluation::rules::sql_injection {

class SqlInjection final : public Rule {
 public:
  std::optional<RuleConfig> init() const override;
  std::uint8_t get_index() const override { return 3; }
  bool applies_to_input_type(InputType type) const override {
    return mask_has(kInputTypes, type);
  }
  bool implements_worth_watching() const override { return true; }
  bool is_worth_watching(const RuleConfig& config, std::string_view text,
                         const InputTraits& traits) const override;
  std::optional<std::vector<PatternMatch>> get_matches(const RuleConfig& config,
                                                       std::string_view text,
                                                       const InputTraits& traits) const override;
  double score(const std::vector<PatternMatch>& matches) const override;

  static constexpr std::uint16_t kInputTypes = 0x2F5E;
};

// The one instance of the rule.
const SqlInjection& instance();

}  // namespace sorvane::evaluation::rules::sql_injection
