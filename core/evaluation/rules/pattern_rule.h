// The rules that match a static pattern table: one definition for all of them, and the
// steps they share (building the configuration, the length check before the engine, the
// common guard and scoring).
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
#include "core/evaluation/rules/rule.h"
#include "core/evaluation/rules/rule_config.h"
#include "core/evaluation/rules/rule_type.h"
#include "core/fatal_error.h"

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
void match(const RuleConfig& config, std::string_view text, const InputTraits& traits,
           std::vector<PatternMatch>& matches) {
  const Config& own = config.expect<Config>();
  if (text.size() < own.min_input_len) return;
  match_engine::get_matches(own.patterns, text, traits.context, traits, own.gate, matches);
}

// Whether the text holds a byte that is not an ASCII letter or digit.
inline bool has_non_alnum(const InputTraits& traits) {
  return (traits.flags & ~text::char_classes::kAlnum) != 0;
}

// The guard of a rule whose table sees every text.
inline bool any_text(const InputTraits& /*traits*/) { return true; }

// 90 with any match of level 2 or 3, else 10 with any of level 1, else 0.
double score_by_level(const std::vector<PatternMatch>& matches);

}  // namespace sorvane::evaluation::rules::pattern_rule

namespace sorvane::evaluation::rules {

// What tells one pattern rule from another, besides its table and configuration variant.
struct PatternRuleSpec {
  RuleType type = 0;
  InputTypeSet input_types;
  std::size_t min_input_len = 0;  // the shortest text the table sees
  bool (*guard)(const InputTraits& traits) = nullptr;  // lets a text reach the table
  double (*score)(const std::vector<PatternMatch>& matches) = nullptr;
  // The rule's pre-screen, if it has one; it reads no configuration.
  bool (*is_worth_watching)(std::string_view text, const InputTraits& traits) = nullptr;
  // The rule's own use of the table after the guard, if it does not run the table over the
  // whole text: appends its matches as Rule::get_matches does.
  void (*matches)(const PatternRuleConfig& own, std::string_view text, const InputTraits& traits,
                  std::vector<PatternMatch>& matches) = nullptr;
  // With its own use of the table: the texts on which every row it reports matches
  // somewhere in the text itself, provided no row has an anchor or a word boundary (the
  // table then runs over pieces of such texts only); none when there are no such texts.
  bool (*table_sees_pieces)(std::string_view text) = nullptr;
};

// A rule that matches the static table `Patterns`, compiled into its variant `Config`.
template <class Config, const auto& Patterns, const PatternRuleSpec& Spec>
class PatternRule final : public RuleBase<Spec.type, Spec.input_types> {
 public:
  // The rule's optional functions are tested at run time: with the undefined-behaviour
  // sanitizer the compiler does not take their addresses as constants.
  std::optional<RuleConfig> init() const override {
    if (Spec.guard == nullptr || Spec.score == nullptr) {
      panic("pattern rule without guard or score");
    }
    return pattern_rule::make_config<Config>(Patterns, Spec.min_input_len);
  }
  bool implements_worth_watching() const override { return Spec.is_worth_watching != nullptr; }
  bool is_worth_watching(const RuleConfig& /*config*/, std::string_view text,
                         const InputTraits& traits) const override {
    return Spec.is_worth_watching != nullptr && Spec.is_worth_watching(text, traits);
  }
  void get_matches(const RuleConfig& config, std::string_view text, const InputTraits& traits,
                   std::vector<PatternMatch>& matches) const override {
    if (!Spec.guard(traits)) return;
    if (Spec.matches != nullptr) return Spec.matches(config.expect<Config>(), text, traits, matches);
    pattern_rule::match<Config>(config, text, traits, matches);
  }
  double score(const std::vector<PatternMatch>& matches) const override {
    return Spec.score(matches);
  }
  FirstTraitTest first_trait_test() const override { return Spec.guard; }
  MatchLengths match_lengths() const override { return {.min = Spec.min_input_len}; }
  std::span<const match_engine::Pattern> whole_text_rows(
      const RuleConfig& config) const override {
    const Config& own = config.expect<Config>();
    if (Spec.matches == nullptr) return own.patterns;
    if (Spec.table_sees_pieces == nullptr ||
        !match_engine::every_row_anchor_free(own.gate, own.patterns.size())) {
      return {};
    }
    return own.patterns;
  }
  WholeTextTest whole_text_test() const override {
    return Spec.matches != nullptr ? Spec.table_sees_pieces : nullptr;
  }
  bool answers_by_rows() const override { return Spec.matches == nullptr; }
  void matches_of_rows(const RuleConfig& config, std::string_view text, const InputTraits& traits,
                       std::uint64_t matching, std::vector<PatternMatch>& matches) const override {
    if (Spec.matches != nullptr) return get_matches(config, text, traits, matches);
    if (!Spec.guard(traits)) return;
    const Config& own = config.expect<Config>();
    if (text.size() < own.min_input_len) return;
    match_engine::matches_of_rows(own.patterns, own.gate, text, traits.context, traits, matching,
                                  matches);
  }

  // The one instance of the rule.
  static const PatternRule& instance() {
    static const PatternRule rule;
    return rule;
  }
};

}  // namespace sorvane::evaluation::rules
