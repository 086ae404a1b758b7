// Evaluation of one input of a known type against an ordered rule list.
#pragma once

#include <span>
#include <string_view>
#include <vector>

#include "core/evaluation/input_analysis/rule_loop.h"
#include "core/evaluation/input_type.h"
#include "core/evaluation/rules/rule.h"

namespace sorvane::evaluation::input_analysis::input {

std::vector<rules::Finding> check_input(std::string_view text, InputType input_type,
                                        std::span<const rules::RuleType> rules,
                                        bool prefer_worth_watching);

// The same with `screen`, made for the same input type, rule list and preference: while
// trace lines are off, only the rules it keeps for the text run.
std::vector<rules::Finding> check_input(std::string_view text, InputType input_type,
                                        std::span<const rules::RuleType> rules,
                                        bool prefer_worth_watching,
                                        const rule_loop::Screen& screen);

// The same findings appended to `lists.findings`: a caller of many texts reuses one `lists`.
void check_input(std::string_view text, InputType input_type,
                 std::span<const rules::RuleType> rules, bool prefer_worth_watching,
                 const rule_loop::Screen& screen, rule_loop::Lists& lists);

}  // namespace sorvane::evaluation::input_analysis::input
