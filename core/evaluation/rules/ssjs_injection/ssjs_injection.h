// The SsjsInjection rule.
#pragma once

#include <array>
#include <vector>

#include "core/evaluation/input_type.h"
#include "core/evaluation/match_engine/pattern.h"
#include "core/evaluation/rules/input_traits.h"
#include "core/evaluation/rules/pattern_rule.h"
#include "core/evaluation/rules/rule_config.h"
#include "core/evaluation/rules/rule_type.h"

namespace sorvane::evaluation::rules::ssjs_injection {

// The rule's pattern table, in matching order.
extern const std::array<match_engine::ProtoPattern, 13> SSJS_PATTERNS;

// A byte other than an ASCII letter or digit, and a character that scripts are built from.
bool guard(const InputTraits& traits);

// What sets the rule apart from the other pattern rules.
inline constexpr PatternRuleSpec kSpec{
    .type = kSsjsInjection,
    .input_types = InputTypeSet::all_except(
        {InputType::JsonKey, InputType::Method, InputType::MultipartName}),
    .min_input_len = 4,
    .guard = &guard,
    .score = &pattern_rule::score_by_level};

using SsjsInjection = PatternRule<rule_config::SsjsInjection, SSJS_PATTERNS, kSpec>;

// The one instance of the rule.
inline const SsjsInjection& instance() { return SsjsInjection::instance(); }

}  // namespace sorvane::evaluation::rules::ssjs_injection
