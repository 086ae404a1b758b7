#include "core/evaluation/rules/prototype_pollution/prototype_pollution.h"

namespace sorvane::evaluation::rules::prototype_pollution {

std::optional<RuleConfig> PrototypePollution::init() const {
  return RuleConfig{rule_config::PrototypePollution{}};
}

void PrototypePollution::get_matches(const RuleConfig&, std::string_view text,
                                     const InputTraits& traits,
                                     std::vector<PatternMatch>& matches) const {
  if (!match_lengths().contains(text.size())) return;
  bool hit = text == "__proto__";
  if (!hit && traits.context == static_cast<std::uint8_t>(InputType::JsonKey)) {
    hit = text == "constructor" || text == "prototype";
  }
  if (hit) matches.push_back({"PROTO-POLLUTION-1", 3});
}

double PrototypePollution::score(const std::vector<PatternMatch>& matches) const {
  return matches.empty() ? 0.0 : 90.0;
}

const PrototypePollution& instance() {
  static const PrototypePollution rule;
  return rule;
}

}  // namespace sorvane::evaluation::rules::prototype_pollution
