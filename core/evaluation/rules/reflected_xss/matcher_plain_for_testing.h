// Test helper: the matcher's steps as they read, for comparing with its search path. The
// rows' pre-filters are tested from their character lists, and the patterns of a hit are
// found in the patterns' own keyword lists.
#pragma once

#include <algorithm>
#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

#include "core/evaluation/rules/reflected_xss/matcher.h"
#include "core/text/aho_corasick.h"

namespace sorvane::evaluation::rules::reflected_xss {

class PlainXssMatcher {
 public:
  explicit PlainXssMatcher(std::span<const XssPatternDef> defs = XSS_PATTERN_DEFS)
      : defs_(defs),
        matcher_(defs),
        automaton_(matcher_.keywords(), text::MatchKind::LeftmostLongest, true) {}

  std::optional<std::vector<PatternMatch>> get_matches(std::string_view text,
                                                       const InputTraits& traits) const {
    const std::vector<XssEvalPattern>& patterns = matcher_.patterns();
    std::vector<PatternMatch> found;
    float total = 0;
    auto add = [&](const XssEvalPattern& p, float score) {
      found.push_back(PatternMatch{p.id, level_of_score(score)});
      total += score;
      return total >= 90.0f;
    };
    auto passes = [&](const XssEvalPattern& p) {
      const auto has = [&](char32_t c) { return c < 128 && traits.has_char(c); };
      if (p.required_all && !std::all_of(p.required_all->begin(), p.required_all->end(), has)) {
        return false;
      }
      return !p.required_any ||
             std::any_of(p.required_any->begin(), p.required_any->end(), has);
    };
    for (const XssEvalPattern& p : patterns) {
      if (p.has_keywords || !passes(p)) continue;
      const bool scores = p.evaluator.kind == XssEvaluatorKind::Keyword ||
                          (p.evaluator.kind == XssEvaluatorKind::WholeTextRegex &&
                           p.regex->is_match(text));
      if (scores && add(p, p.evaluator.score)) return found;
    }
    const std::vector<std::string_view>& keywords = matcher_.keywords();
    for (const text::AcMatch& hit : automaton_.find_all(text)) {
      const std::string_view keyword = keywords[hit.pattern];
      for (std::size_t i = 0; i < patterns.size(); ++i) {
        const auto& listed = defs_[i].keywords;
        if (!listed || std::find(listed->begin(), listed->end(), keyword) == listed->end()) {
          continue;
        }
        const XssEvalPattern& p = patterns[i];
        if (!passes(p)) continue;
        float score = 0;
        switch (p.evaluator.kind) {
          case XssEvaluatorKind::WholeTextRegex:
            score = p.regex->is_match(text) ? p.evaluator.score : 0;
            break;
          case XssEvaluatorKind::Keyword:
            score = p.evaluator.score;
            break;
          case XssEvaluatorKind::MatchFunction: {
            match_functions::TextScan scan(text, match_functions::TextScan::Sharing::Direct);
            score = p.evaluator.match_fn(keyword, scan, hit.start, hit.end);
            break;
          }
          case XssEvaluatorKind::RegexAfterKeyword:
            score = p.regex->is_match(text.substr(hit.end)) ? p.evaluator.score : 0;
            break;
        }
        if (score > 0 && add(p, score)) return found;
      }
    }
    return std::nullopt;
  }

 private:
  std::span<const XssPatternDef> defs_;
  XssMatcher matcher_;
  text::AhoCorasick automaton_;
};

}  // namespace sorvane::evaluation::rules::reflected_xss
