// The CmdInjection rule.
#pragma once

#include <array>
#include <vector>

#include "core/evaluation/input_type.h"
#include "core/evaluation/match_engine/pattern.h"
#include "core/evaluation/rules/cmd_injection/worth_watching.h"
#include "core/evaluation/rules/input_traits.h"
#include "core/evaluation/rules/pattern_rule.h"
#include "core/evaluation/rules/rule_config.h"
#include "core/evaluation/rules/rule_type.h"

namespace sorvane::evaluation::rules::cmd_injection {

// The rule's pattern table, in matching order.
extern const std::array<match_engine::ProtoPattern, 7> CMDI_PATTERNS;

// What sets the rule apart from the other pattern rules.
inline constexpr PatternRuleSpec kSpec{
    .type = kCmdInjection,
    .input_types = {InputType::CookieName, InputType::CookieValue,
        InputType::HeaderKey, InputType::HeaderValue, InputType::JsonValue, InputType::ParameterKey, InputType::ParameterValue,
        InputType::UrlParameter, InputType::XmlValue},
    .min_input_len = 5,
    .guard = &pattern_rule::has_non_alnum,
    .score = &pattern_rule::score_by_level,
    .is_worth_watching = &worth_watching::is_worth_watching};

using CmdInjection = PatternRule<rule_config::CmdInjection, CMDI_PATTERNS, kSpec>;

// The one instance of the rule.
inline const CmdInjection& instance() { return CmdInjection::instance(); }

}  // namespace sorvane::evaluation::rules::cmd_injection
