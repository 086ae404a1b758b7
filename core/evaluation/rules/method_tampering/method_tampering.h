// The method-tampering rule: an HTTP method that is not one of the known method names.
#pragma once

#include "core/evaluation/rules/rule.h"

namespace sorvane::evaluation::rules::method_tampering {

// The rule's own matching yields nothing; methods are judged by is_method_tampering.
class MethodTampering final : public RuleBase<kMethodTampering, InputTypeSet{InputType::Method}> {
 public:
  std::optional<RuleConfig> init() const override;
  void get_matches(const RuleConfig& config, std::string_view text, const InputTraits& traits,
                   std::vector<PatternMatch>& matches) const override;
  double score(const std::vector<PatternMatch>& matches) const override;
};

// The one instance of the rule.
const MethodTampering& instance();

// True unless `method`, with ASCII letters upper-cased, is a known HTTP method name.
bool is_method_tampering(std::string_view method);

}  // namespace sorvane::evaluation::rules::method_tampering
