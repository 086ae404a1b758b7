// The NosqlInjectionMongo rule.
#pragma once

#include <array>
#include <vector>

#include "core/evaluation/input_type.h"
#include "core/evaluation/match_engine/pattern.h"
#include "core/evaluation/rules/input_traits.h"
#include "core/evaluation/rules/pattern_rule.h"
#include "core/evaluation/rules/rule_config.h"
#include "core/evaluation/rules/rule_type.h"

namespace sorvane::evaluation::rules::mongo {

// The rule's pattern table, in matching order.
extern const std::array<match_engine::ProtoPattern, 2> MONGO_PATTERNS;

// Every finding of this rule weighs the same, whatever matched: 10.
double score(const std::vector<PatternMatch>& matches);

// What sets the rule apart from the other pattern rules.
inline constexpr PatternRuleSpec kSpec{
    .type = kNosqlInjectionMongo,
    .input_types = InputTypeSet::all_except(
        {InputType::JsonKey, InputType::Method, InputType::MultipartName}),
    .min_input_len = 7,
    .guard = &pattern_rule::has_non_alnum,
    .score = &score};

using NosqlInjectionMongo = PatternRule<rule_config::NosqlInjectionMongo, MONGO_PATTERNS, kSpec>;

// The one instance of the rule.
inline const NosqlInjectionMongo& instance() { return NosqlInjectionMongo::instance(); }

}  // namespace sorvane::evaluation::rules::mongo
