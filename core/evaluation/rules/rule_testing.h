// Test helpers: run one rule over a text the way the evaluations do, with the
// configuration the registry built for it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "core/evaluation/rules/registry.h"
#include "core/evaluation/rules/input_traits.h"
#include "core/evaluation/rules/rule.h"

namespace sorvane::evaluation::rules::testing {

// The matches `get_matches` appends to an empty list, in a list of their own; none when it
// appends none.
inline std::optional<std::vector<PatternMatch>> matches_of(const Rule& rule,
                                                           const RuleConfig& config,
                                                           std::string_view text,
                                                           const InputTraits& traits) {
  std::vector<PatternMatch> found;
  rule.get_matches(config, text, traits, found);
  if (found.empty()) return std::nullopt;
  return found;
}

// The identifiers `get_matches` reports, in order; empty when it answers none.
inline std::vector<std::string_view> matched_ids(const Rule& rule, std::string_view text,
                                                 std::uint8_t context) {
  const InputTraits traits = compute_input_traits(text, context);
  std::vector<std::string_view> ids;
  if (auto found = matches_of(rule, get_rule_config(rule.get_index()), text, traits)) {
    for (const PatternMatch& m : *found) ids.push_back(m.id);
  }
  return ids;
}

// A text and the identifiers it must match, in order (empty: none).
struct IdCase {
  std::string text;
  std::vector<std::string_view> ids;
};

inline void expect_ids(const Rule& rule, std::uint8_t context, const std::vector<IdCase>& cases) {
  for (const IdCase& c : cases) {
    EXPECT_EQ(matched_ids(rule, c.text, context), c.ids) << c.text << " in context " << int(context);
  }
}

inline bool worth_watching(const Rule& rule, std::string_view text, std::uint8_t context) {
  return rule.is_worth_watching(get_rule_config(rule.get_index()), text,
                                compute_input_traits(text, context));
}

inline std::vector<PatternMatch> levels(const std::vector<std::uint8_t>& values) {
  std::vector<PatternMatch> out;
  for (std::uint8_t v : values) out.push_back({"x", v});
  return out;
}

}  // namespace sorvane::evaluation::rules::testing
