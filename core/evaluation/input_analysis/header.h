// Evaluation of one header name and value against an ordered rule list.
#pragma once

#include <span>
#include <string_view>
#include <vector>

#include "core/evaluation/rules/rule.h"

namespace sorvane::evaluation::input_analysis::header {

std::vector<rules::Finding> check_header(std::string_view name, std::string_view value,
                                         std::span<const rules::RuleType> rules,
                                         bool prefer_worth_watching);

}  // namespace sorvane::evaluation::input_analysis::header
