// Evaluation of one input of a known type against an ordered rule list.
#pragma once

#include <span>
#include <string_view>
#include <vector>

#include "core/evaluation/input_type.h"
#include "core/evaluation/rules/rule.h"

namespace sorvane::evaluation::input_analysis::input {

std::vector<rules::Finding> check_input(std::string_view text, InputType input_type,
                                        std::span<const rules::RuleType> rules,
                                        bool prefer_worth_watching);

// The same findings appended to `findings`, so that a caller evaluating many texts reuses
// one list.
void check_input_into(std::string_view text, InputType input_type,
                      std::span<const rules::RuleType> rules, bool prefer_worth_watching,
                      std::vector<rules::Finding>& findings);

}  // namespace sorvane::evaluation::input_analysis::input
