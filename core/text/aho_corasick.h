// Multi-pattern search over bytes, built once and immutable (safe to share across threads).
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace sorvane::text {

enum class MatchKind {
  // Report as soon as a pattern ends; among patterns ending there the longest, then the
  // lowest index; the search resumes after the match.
  Standard,
  // The match starting leftmost; among those the longest (then the lowest index).
  LeftmostLongest,
};

struct AcMatch {
  std::size_t pattern;  // index into the pattern list
  std::size_t start;    // byte offset of the first byte
  std::size_t end;      // byte offset past the last byte
  bool operator==(const AcMatch&) const = default;
};

class AhoCorasick {
 public:
  AhoCorasick(std::span<const std::string_view> patterns, MatchKind kind,
              bool ascii_case_insensitive);
  ~AhoCorasick();
  AhoCorasick(AhoCorasick&&) noexcept;
  AhoCorasick& operator=(AhoCorasick&&) noexcept;

  // The first match at or after byte `from`.
  std::optional<AcMatch> find(std::string_view haystack, std::size_t from = 0) const;
  // Successive non-overlapping matches.
  std::vector<AcMatch> find_all(std::string_view haystack) const;
  bool is_match(std::string_view haystack) const { return find(haystack).has_value(); }

  std::size_t pattern_count() const { return patterns_.size(); }
  MatchKind kind() const { return kind_; }

 private:
  std::vector<std::string> patterns_;
  MatchKind kind_;
  bool fold_;
};

}  // namespace sorvane::text
