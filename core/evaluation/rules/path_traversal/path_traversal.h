// The PathTraversal rule.
#pragma once

#include <array>
#include <vector>

#include "core/evaluation/input_type.h"
#include "core/evaluation/match_engine/pattern.h"
#include "core/evaluation/rules/input_traits.h"
#include "core/evaluation/rules/pattern_rule.h"
#include "core/evaluation/rules/rule_config.h"
#include "core/evaluation/rules/rule_type.h"

namespace sorvane::evaluation::rules::path_traversal {

// The rule's pattern table, in matching order.
extern const std::array<match_engine::ProtoPattern, 4> PATH_PATTERNS;

// A non-ASCII byte or an ASCII character that is no letter, digit or blank.
bool guard(const InputTraits& traits);

// What sets the rule apart from the other pattern rules.
inline constexpr PatternRuleSpec kSpec{
    .type = kPathTraversal,
    .input_types = {InputType::CookieName, InputType::CookieValue,
        InputType::HeaderKey, InputType::HeaderValue, InputType::JsonKey, InputType::JsonValue, InputType::ParameterKey,
        InputType::ParameterValue, InputType::UriPath, InputType::UrlParameter,
        InputType::XmlValue},
    .min_input_len = 3,
    .guard = &guard,
    .score = &pattern_rule::score_by_level};

using PathTraversal = PatternRule<rule_config::PathTraversal, PATH_PATTERNS, kSpec>;

// The one instance of the rule.
inline const PathTraversal& instance() { return PathTraversal::instance(); }

}  // namespace sorvane::evaluation::rules::path_traversal
