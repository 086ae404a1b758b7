// Shared steps of the rules that match a static pattern table: building the
// configuration, the length check before the engine, the common guard and scoring.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

#include "core/evaluation/match_engine/matches.h"
#include "core/evaluation/match_engine/pattern.h"
#include "core/evaluation/rules/input_traits.h"
#include "core/evaluation/rules/rule_config.h"

namespace sorvane::evaluation::rules::pattern_rule {

// The rule's own configuration variant holding `table` compiled in order; a row that
// does not compile is a fatal error.
template <class Config>
RuleConfig make_config(std::span<const match_engine::ProtoPattern> table,
                       std::size_t min_input_len) {
  Config config;
  config.patterns = match_engine::compile_table_or_panic(table);
  config.gate = match_engine::compile_gate(config.patterns);
  config.min_input_len = min_input_len;
  return RuleConfig{std::move(config)};
}

// The configuration check, the minimum length and the engine over the whole text.
template <class Config>
std::optional<std::vector<PatternMatch>> match(const RuleConfig& config, std::string_view text,
                                               const InputTraits& traits) {
  const Config& own = config.expect<Config>();
  if (text.size() < own.min_input_len) return std::nullopt;
  return match_engine::get_matches(own.patterns, text, traits.context, traits, own.gate);
}

// Whether the text holds a byte that is not an ASCII letter or digit.
inline bool has_non_alnum(const InputTraits& traits) {
  return (traits.flags & ~text::char_classes::kAlnum) != 0;
}

// 90 with any match of level 2 or 3, else 10 with any of level 1, else 0.
double score_by_level(const std::vector<PatternMatch>& matches);

}  // namespace sorvane::evaluation::rules::pattern_rule
