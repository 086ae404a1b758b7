// Properties of the findings of one input evaluation against a rule list.
#pragma once

#include <cmath>
#include <cstddef>
#include <span>
#include <vector>

#include "core/evaluation/input_type.h"
#include "core/evaluation/rules/registry.h"
#include "fuzz/fuzz_input.h"

namespace quenlith_fuzz {

// At most one finding per listed rule, in list order, only for rule bits, with the given
// input type, a finite score that is not negative, and the worth-watching form (no
// identifiers, score 10) only where it was asked for and the rule offers it.
inline void check_findings(const std::vector<sorvane::evaluation::rules::Finding>& findings,
                           std::span<const sorvane::evaluation::rules::RuleType> rules,
                           sorvane::evaluation::InputType input_type, bool prefer_worth_watching) {
  namespace rules_ns = sorvane::evaluation::rules;
  std::size_t next = 0;
  for (const auto& finding : findings) {
    while (next < rules.size() && rules[next] != finding.rule) ++next;
    FUZZ_CHECK(next < rules.size());
    ++next;
    const rules_ns::Rule* rule = rules_ns::rule_by_type(finding.rule);
    FUZZ_CHECK(rule != nullptr);
    FUZZ_CHECK(finding.input_type == input_type);
    FUZZ_CHECK(std::isfinite(finding.score) && finding.score >= 0);
    if (prefer_worth_watching && rule->implements_worth_watching()) {
      FUZZ_CHECK(finding.ids.empty() && finding.score == 10.0);
    }
  }
}

}  // namespace quenlith_fuzz
