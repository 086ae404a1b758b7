// The SsjsInjection rule.
#pragma once

#include <array>

#include "core/evaluation/match_engine/pattern.h"
#include "core/evaluation/rules/rule.h"

namespace sorvane::evaluation::rules::ssjs_injection {

class SsjsInjection final : public RuleBase<kSsjsInjection, 0xEF5F> {
 public:
  std::optional<RuleConfig> init() const override;
  std::optional<std::vector<PatternMatch>> get_matches(const RuleConfig& config,
                                                       std::string_view text,
                                                       const InputTraits& traits) const override;
  double score(const std::vector<PatternMatch>& matches) const override;
};

// The rule's pattern table, in matching order.
extern const std::array<match_engine::ProtoPattern, 13> SSJS_PATTERNS;

// The one instance of the rule.
const SsjsInjection& instance();

}  // namespace sorvane::evaluation::rules::ssjs_injection
