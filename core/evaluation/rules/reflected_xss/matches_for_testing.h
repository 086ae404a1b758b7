// Test helpers: readable PatternMatch values and the none-or-list comparison.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string_view>
#include <vector>

#include "core/evaluation/match_engine/pattern.h"

namespace sorvane::evaluation::rules {

static inline void PrintTo(const PatternMatch& match, std::ostream* os) {
  *os << match.id << "/" << int{match.level};
}

namespace reflected_xss {

inline PatternMatch m(std::string_view id, std::uint8_t level) { return PatternMatch{id, level}; }

// An empty `expected` stands for none.
inline void expect_matches_of(std::string_view text,
                              const std::optional<std::vector<PatternMatch>>& got,
                              const std::vector<PatternMatch>& expected) {
  if (expected.empty()) {
    EXPECT_FALSE(got.has_value()) << text;
  } else {
    EXPECT_EQ(got, std::optional(expected)) << text;
  }
}

}  // namespace reflected_xss
}  // namespace sorvane::evaluation::rules
