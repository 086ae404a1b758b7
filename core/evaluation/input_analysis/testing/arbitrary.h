// Test helper: arbitrary bytes and rule lists for the robustness tests.
#pragma once

#include <random>
#include <string>
#include <vector>

#include "core/evaluation/rules/rule_type.h"

namespace sorvane::evaluation::input_analysis::testing {

inline std::string random_bytes(std::mt19937& rng, std::size_t n) {
  std::string s(n, '\0');
  for (char& c : s) c = static_cast<char>(rng());
  return s;
}

// Every rule bit, then values that name no rule.
inline const std::vector<rules::RuleType> kAllRulesAndInvalid = {1,   2,   4,   8, 16, 32,  64,
                                                                 128, 256, 512, 0, 3,  1024};

// `n` values drawn from the rule bits and 1024, duplicates included.
inline std::vector<rules::RuleType> random_rule_list(std::mt19937& rng, std::size_t n) {
  std::vector<rules::RuleType> list;
  for (std::size_t i = 0; i < n; ++i)
    list.push_back(static_cast<rules::RuleType>(1u << (rng() % 11)));
  return list;
}

}  // namespace sorvane::evaluation::input_analysis::testing
