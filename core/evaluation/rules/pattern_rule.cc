#include "core/evaluation/rules/pattern_rule.h"

namespace sorvane::evaluation::rules::pattern_rule {

double score_by_level(const std::vector<PatternMatch>& matches) {
  bool high = false;
  bool low = false;
  for (const PatternMatch& m : matches) {
    if (m.level >= 2) high = true;
    else if (m.level == 1) low = true;
  }
  if (high) return 90.0;
  if (low) return 10.0;
  return 0.0;
}

}  // namespace sorvane::evaluation::rules::pattern_rule
