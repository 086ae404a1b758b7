// The CmdInjection rule.
#pragma once

#include <array>

#include "core/evaluation/match_engine/pattern.h"
#include "core/evaluation/rules/rule.h"

namespace sorvane::evaluation::rules::cmd_injection {

class CmdInjection final : public Rule {
 public:
  std::optional<RuleConfig> init() const override;
  std::uint8_t get_index() const override { return 4; }
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

  static constexpr std::uint16_t kInputTypes = 0x2B5E;
};

// The rule's pattern table, in matching order.
extern const std::array<match_engine::ProtoPattern, 7> CMDI_PATTERNS;

// The one instance of the rule.
const CmdInjection& instance();

}  // namespace sorvane::evaluation::rules::cmd_injection
