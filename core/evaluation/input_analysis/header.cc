#include "core/evaluation/input_analysis/header.h"

namespace sorvane::evaluation::input_analysis::header {

// Placeholder until the header evaluation is built: no findings.
std::vector<rules::Finding> check_header(std::string_view, std::string_view,
                                         std::span<const rules::RuleType>, bool) {
  return {};
}

}  // namespace sorvane::evaluation::input_analysis::header
