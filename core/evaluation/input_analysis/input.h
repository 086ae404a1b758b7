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

}  // namespace sorvane::evaluation::input_analysis::input
