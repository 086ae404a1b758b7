// The UnsafeFileUpload rule.
#pragma once

#include <array>
#include <vector>

#include "core/evaluation/input_type.h"
#include "core/evaluation/match_engine/pattern.h"
#include "core/evaluation/rules/input_traits.h"
#include "core/evaluation/rules/pattern_rule.h"
#include "core/evaluation/rules/rule_config.h"
#include "core/evaluation/rules/rule_type.h"

namespace sorvane::evaluation::rules::unsafe_file_upload {

// The rule's pattern table, in matching order.
extern const std::array<match_engine::ProtoPattern, 2> UFU_PATTERNS;

// 90 with any match of level 2 or 3, else 0.
double score(const std::vector<PatternMatch>& matches);

// What sets the rule apart from the other pattern rules.
inline constexpr PatternRuleSpec kSpec{
    .type = kUnsafeFileUpload,
    .input_types = {InputType::MultipartName},
    .min_input_len = 3,
    .guard = &pattern_rule::any_text,
    .score = &score};

using UnsafeFileUpload = PatternRule<rule_config::UnsafeFileUpload, UFU_PATTERNS, kSpec>;

// The one instance of the rule.
inline const UnsafeFileUpload& instance() { return UnsafeFileUpload::instance(); }

}  // namespace sorvane::evaluation::rules::unsafe_file_upload
