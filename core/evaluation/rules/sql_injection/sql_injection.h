// The SqlInjection rule.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

#include <vector>

#include "core/evaluation/input_type.h"
#include "core/evaluation/match_engine/pattern.h"
#include "core/evaluation/rules/input_traits.h"
#include "core/evaluation/rules/pattern_rule.h"
#include "core/evaluation/rules/rule_config.h"
#include "core/evaluation/rules/rule_type.h"
#include "core/evaluation/rules/sql_injection/worth_watching.h"
#include "core/text/regex.h"

namespace sorvane::evaluation::rules::sql_injection {

// The rule's pattern table, in matching order.
extern const std::array<match_engine::ProtoPattern, 22> SQLI_PATTERNS;

// The table over the windows that chain characters open, not over the whole text; the
// first window with matches decides.
void window_matches(const PatternRuleConfig& own, std::string_view text,
                    const InputTraits& traits, std::vector<PatternMatch>& matches);

// Whether no window of `text` is changed by cleaning, so that every window handed to the
// table is a piece of the text: no comment opener and no separator control.
bool windows_are_pieces(std::string_view text);

// Whether the text holds a character every chain needs one of: a quote, "@", "+", ")",
// ";" or "." (of ".."). A text without one opens no window.
bool may_open_window(const InputTraits& traits);

// 90 with a match of level 3, or of level 2 beside one of level 0 or 1; 60 with level 2
// alone; else 10 with more than three matches of level 0 or 1, else the number of level-0
// matches.
double score(const std::vector<PatternMatch>& matches);

// What sets the rule apart from the other pattern rules.
inline constexpr PatternRuleSpec kSpec{
    .type = kSqlInjection,
    .input_types = {InputType::CookieName, InputType::CookieValue,
        InputType::HeaderKey, InputType::HeaderValue, InputType::JsonValue,
        InputType::ParameterKey, InputType::ParameterValue, InputType::UriPath,
        InputType::UrlParameter, InputType::XmlValue},
    .min_input_len = 3,
    .guard = &may_open_window,
    .score = &score,
    .is_worth_watching = &worth_watching::is_worth_watching,
    .matches = &window_matches,
    .table_sees_pieces = &windows_are_pieces};

using SqlInjection = PatternRule<rule_config::SqlInjection, SQLI_PATTERNS, kSpec>;

// The characters behind which a matching window opens: a quote, "@", "+", "..", "))"
// and longer runs of ")", or a digit followed by ";".
const text::Regex& CHAIN_CHARS();

// The next match of CHAIN_CHARS at or after byte `from` (leftmost-first, the run of ")"
// taken whole), found by a byte scan instead of the expression.
std::optional<text::Span> find_chain(std::string_view text, std::size_t from);

// Largest window length, in characters.
inline constexpr std::size_t kWindowChars = 64;

// The window that a chain match starting at byte `chain_start` opens: right after the
// match's first character, at most kWindowChars characters, ending earlier at the end of
// the text.
std::string_view matching_window(std::string_view text, std::size_t chain_start);

// The one instance of the rule.
inline const SqlInjection& instance() { return SqlInjection::instance(); }

}  // namespace sorvane::evaluation::rules::sql_injection
