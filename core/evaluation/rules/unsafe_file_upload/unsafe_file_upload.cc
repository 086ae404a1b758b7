#include "core/evaluation/rules/unsafe_file_upload/unsafe_file_upload.h"

namespace sorvane::evaluation::rules::unsafe_file_upload {

// Placeholder until the rule's table and operations are built: the rule's own
// configuration variant, and no matches.
std::optional<RuleConfig> UnsafeFileUpload::init() const { return RuleConfig{rule_config::UnsafeFileUpload{}}; }

std::optional<std::vector<PatternMatch>> UnsafeFileUpload::get_matches(const RuleConfig& config,
                                                          std::string_view,
                                                          const InputTraits&) const {
  config.expect<rule_config::UnsafeFileUpload>();
  return std::nullopt;
}

double UnsafeFileUpload::score(const std::vector<PatternMatch>&) const { return 0; }

const UnsafeFileUpload& instance() {
  static const UnsafeFileUpload rule;
  return rule;
}

}  // namespace sorvane::evaluation::rules::unsafe_file_upload
