#include "core/evaluation/input_analysis/input.h"

namespace sorvane::evaluation::input_analysis::input {

// Placeholder until the rule loop is built: no findings.
std::vector<rules::Finding> check_input(std::string_view, InputType, std::span<const rules::RuleType>,
                                        bool) {
  return {};
}

}  // namespace sorvane::evaluation::input_analysis::input
