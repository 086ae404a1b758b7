// The CmdInjection rule.
#pragma once

#include <array>

#include "core/evaluation/match_engine/pattern.h"
#include "core/evaluation/rules/rule.h"

namespace sorvane::evaluation::rules::cmd_injection {

class CmdInjection final : public RuleBase<kCmdInjection, 0x2B5E> {
 public:
  std::optional<RuleConfig> init() const override;
  bool implements_worth_watching() const override { return true; }
  bool is_worth_watching(const RuleConfig& config, std::string_view text,
                         const InputTraits& traits) const override;
  std::optional<std::vector<PatternMatch>> get_matches(const RuleConfig& config,
                                                       std::string_view text,
                                                       const InputTraits& traits) const override;
  double score(const std::vector<PatternMatch>& matches) const override;
};

// The rule's pattern table, in matching order.
extern const std::array<match_engine::ProtoPattern, 7> CMDI_PATTERNS;

// The one instance of the rule.
const CmdInjection& instance();

}  // namespace sorvane::evaluation::rules::cmd_injection
