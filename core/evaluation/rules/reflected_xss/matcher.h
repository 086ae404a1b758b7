// The reflected-XSS matcher: thirteen pattern definitions triggered by the hits of one
// keyword automaton, evaluated on the decoded input with a running score that stops at 90.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "core/evaluation/match_engine/matches.h"
#include "core/evaluation/match_engine/pattern.h"
#include "core/evaluation/rules/input_traits.h"
#include "core/evaluation/rules/reflected_xss/match_functions/match_fn.h"
#include "core/evaluation/rules/reflected_xss/match_functions/text_scan.h"
#include "core/text/aho_corasick.h"
#include "core/text/regex.h"

namespace sorvane::evaluation::rules::reflected_xss {

enum class XssEvaluatorKind : std::uint8_t {
  WholeTextRegex = 0,     // the expression anywhere in the text
  Keyword = 1,            // the keyword hit alone
  MatchFunction = 2,      // a match function scores the hit
  RegexAfterKeyword = 3,  // the expression on the text right after the hit
};

// How one pattern is evaluated.
struct XssEvaluator {
  XssEvaluatorKind kind;
  std::string_view pattern;                         // the two expression kinds
  float score = 0;                                  // every kind but MatchFunction
  match_functions::ScanMatchFn match_fn = nullptr;  // MatchFunction
};

// One row of a pattern table.
struct XssPatternDef {
  XssEvaluator evaluator;
  std::string_view id;
  match_engine::CharList required_all;
  match_engine::CharList required_any;
  std::optional<std::span<const std::string_view>> keywords;
};

// The rule's table, in pattern-index order.
extern const std::array<XssPatternDef, 13> XSS_PATTERN_DEFS;

// One prepared pattern.
struct XssEvalPattern {
  XssEvaluator evaluator;
  std::string_view id;
  std::optional<text::Regex> regex;  // the two expression kinds
  match_engine::CharList required_all;
  match_engine::CharList required_any;
  bool has_keywords = false;
  match_engine::CharFilter char_filter;  // required_all and required_any, as bits
};

// The level a score is reported with: below 10 gives 0, below 90 gives 2, else 3.
std::uint8_t level_of_score(float score);

class XssMatcher {
 public:
  // Compiles the expressions and builds the keyword automaton (leftmost-longest, ASCII
  // case folding) over the table's keywords, each text once, in row order. A table of more
  // than 64 patterns is a fatal error.
  explicit XssMatcher(std::span<const XssPatternDef> defs = XSS_PATTERN_DEFS);

  // Evaluates the patterns on `text` (the decoded input); `traits` is the summary of the
  // undecoded input, of which only the ASCII set is read. Appends the matches to `matches`
  // (passed empty) once their scores add up to 90, leaves it empty otherwise. `sharing`
  // tells whether the match functions share their searches over the text (by its length
  // unless a test compares both ways).
  void get_matches(
      std::string_view text, const InputTraits& traits, std::vector<PatternMatch>& matches,
      match_functions::TextScan::Sharing sharing = match_functions::TextScan::Sharing::ByLength) const;
  // The same matches in a list of their own; none instead of an empty list.
  std::optional<std::vector<PatternMatch>> get_matches(
      std::string_view text, const InputTraits& traits,
      match_functions::TextScan::Sharing sharing = match_functions::TextScan::Sharing::ByLength) const {
    return match_engine::matches_in_own_list(
        [&](auto& matches) { get_matches(text, traits, matches, sharing); });
  }

  const std::vector<XssEvalPattern>& patterns() const { return patterns_; }
  const std::vector<std::string_view>& keywords() const { return keywords_; }
  // Keyword index -> the indices of the patterns that list it, ascending.
  const std::vector<std::vector<std::size_t>>& keyword_patterns() const {
    return keyword_patterns_;
  }

 private:
  std::vector<XssEvalPattern> patterns_;
  // The search path reads rows as bits (bit i: pattern i, at most 64 patterns) and the
  // pre-filters from one dense array, not the patterns' lists.
  std::vector<match_engine::CharFilter> filters_;  // per pattern
  std::uint64_t keywordless_ = 0;  // the patterns without keywords
  std::vector<std::string_view> keywords_;
  std::vector<std::vector<std::size_t>> keyword_patterns_;
  std::vector<std::uint64_t> keyword_rows_;  // keyword_patterns_ as bits
  text::AhoCorasick keyword_automaton_;
};

}  // namespace sorvane::evaluation::rules::reflected_xss
