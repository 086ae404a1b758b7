// The UnsafeFileUpload rule.
#pragma once

#include <array>

#include "core/evaluation/match_engine/pattern.h"
#include "core/evaluation/rules/rule.h"

namespace sorvane::evaluation::rules::unsafe_file_upload {

class UnsafeFileUpload final : public RuleBase<kUnsafeFileUpload, 1 << 12> {
 public:
  std::optional<RuleConfig> init() const override;
  std::optional<std::vector<PatternMatch>> get_matches(const RuleConfig& config,
                                                       std::string_view text,
                                                       const InputTraits& traits) const override;
  double score(const std::vector<PatternMatch>& matches) const override;
};

// The rule's pattern table, in matching order.
extern const std::array<match_engine::ProtoPattern, 2> UFU_PATTERNS;

// The one instance of the rule.
const UnsafeFileUpload& instance();

}  // namespace sorvane::evaluation::rules::unsafe_file_upload
