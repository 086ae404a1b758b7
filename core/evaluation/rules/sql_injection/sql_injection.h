// The SqlInjection rule.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

#include "core/evaluation/match_engine/pattern.h"
#include "core/evaluation/rules/rule.h"
#include "core/text/regex.h"

namespace sorvane::evaluation::rules::sql_injection {

class SqlInjection final : public RuleBase<kSqlInjection, 0x2F5E> {
 public:
  std::optional<RuleConfig> init() const override;
  bool implements_worth_watching() const override { return true; }
  bool is_worth_watching(const RuleConfig& config, std::string_view text,
                         const InputTraits& traits) const override;
  std::optional<std::vector<PatternMatch>> get_matches(const RuleConfig& config,
                                                       std::string_view text,
                                                       const InputTraits& traits) const override;
  double score(const std::vector<PatternMatch>& matches) const override;
};

// The rule's pattern table, in matching order.
extern const std::array<match_engine::ProtoPattern, 22> SQLI_PATTERNS;

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
const SqlInjection& instance();

}  // namespace sorvane::evaluation::rules::sql_injection
