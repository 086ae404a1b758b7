#include "core/text/aho_corasick.h"

namespace sorvane::text {
namespace {

unsigned char fold(unsigned char c, bool on) {
  return on && c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + 32) : c;
}

bool matches_at(std::string_view hay, std::size_t pos, const std::string& pat, bool f) {
  if (pat.size() > hay.size() - pos) return false;
  for (std::size_t i = 0; i < pat.size(); ++i) {
    if (fold(static_cast<unsigned char>(hay[pos + i]), f) !=
        fold(static_cast<unsigned char>(pat[i]), f)) {
      return false;
    }
  }
  return true;
}

}  // namespace

// Straightforward search; to be replaced by the automaton.
AhoCorasick::AhoCorasick(std::span<const std::string_view> patterns, MatchKind kind,
                         bool ascii_case_insensitive)
    : kind_(kind), fold_(ascii_case_insensitive) {
  for (auto p : patterns) patterns_.emplace_back(p);
}
AhoCorasick::~AhoCorasick() = default;
AhoCorasick::AhoCorasick(AhoCorasick&&) noexcept = default;
AhoCorasick& AhoCorasick::operator=(AhoCorasick&&) noexcept = default;

std::optional<AcMatch> AhoCorasick::find(std::string_view hay, std::size_t from) const {
  if (kind_ == MatchKind::LeftmostLongest) {
    for (std::size_t s = from; s <= hay.size(); ++s) {
      std::optional<AcMatch> best;
      for (std::size_t i = 0; i < patterns_.size(); ++i) {
        if (patterns_[i].empty()) continue;
        if (matches_at(hay, s, patterns_[i], fold_) &&
            (!best || patterns_[i].size() > best->end - best->start)) {
          best = AcMatch{i, s, s + patterns_[i].size()};
        }
      }
      if (best) return best;
    }
    return std::nullopt;
  }
  for (std::size_t e = from + 1; e <= hay.size(); ++e) {
    std::optional<AcMatch> best;
    for (std::size_t i = 0; i < patterns_.size(); ++i) {
      const auto& p = patterns_[i];
      if (p.empty() || p.size() > e - from) continue;
      if (matches_at(hay, e - p.size(), p, fold_) &&
          (!best || p.size() > best->end - best->start)) {
        best = AcMatch{i, e - p.size(), e};
      }
    }
    if (best) return best;
  }
  return std::nullopt;
}

std::vector<AcMatch> AhoCorasick::find_all(std::string_view hay) const {
  std::vector<AcMatch> out;
  std::size_t from = 0;
  while (auto m = find(hay, from)) {
    out.push_back(*m);
    from = m->end;
  }
  return out;
}

}  // namespace sorvane::text
