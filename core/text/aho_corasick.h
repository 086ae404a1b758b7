// Multi-pattern search over bytes, built once and immutable (safe to share across threads).
// A deterministic automaton over byte classes: one table step per haystack byte. Empty
// patterns never match.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
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
  // Whether any pattern occurs in `haystack`: find(haystack) has a match exactly when the
  // automaton reaches a reporting state, so the search stops there without reading which.
  bool is_match(std::string_view haystack) const {
    const auto* bytes = reinterpret_cast<const unsigned char*>(haystack.data());
    std::uint32_t t = 0;
    for (std::size_t i = 0; i < haystack.size(); ++i) {
      if (t == 0) {
        i = skip_at_start(bytes, i, haystack.size());
        if (i == haystack.size()) return false;
      }
      t = step(t, bytes[i]);
      if (t & kMatchBit) return true;
    }
    return false;
  }

  // One pass over `haystack` without restarts: at every byte where a pattern ends, calls
  // `f(end, pattern)` with the longest pattern ending there (the lowest index among equal
  // ones); each other pattern ending there is a suffix of it. Stops when `f` returns false.
  template <class F>
  void for_each_longest_end(std::string_view haystack, F&& f) const {
    const auto* bytes = reinterpret_cast<const unsigned char*>(haystack.data());
    std::uint32_t t = 0;
    for (std::size_t i = 0; i < haystack.size(); ++i) {
      // At the start, the bytes that leave it there are independent loads, not a chain of
      // table steps.
      if (t == 0) {
        i = skip_at_start(bytes, i, haystack.size());
        if (i == haystack.size()) return;
      }
      t = step(t, bytes[i]);
      if ((t & kMatchBit) && !f(i + 1, static_cast<std::size_t>(output_[state_of(t)]))) return;
    }
  }

  std::size_t pattern_count() const { return pattern_count_; }
  MatchKind kind() const { return kind_; }

 private:
  using State = std::uint32_t;
  static constexpr std::uint32_t kNoPattern = UINT32_MAX;
  // A transition holds the target's row offset (state * class_count_) and this bit when
  // the target reports a pattern.
  static constexpr std::uint32_t kMatchBit = 0x80000000u;
  // And this one when the target is a whole pattern with no longer pattern through it (a
  // leaf of the patterns' trie): a leftmost-longest candidate there cannot grow.
  static constexpr std::uint32_t kLeafBit = 0x40000000u;
  static constexpr std::uint32_t kRowMask = ~(kMatchBit | kLeafBit);

  std::uint32_t step(std::uint32_t transition, unsigned char byte) const {
    return delta_[(transition & kRowMask) + byte_class_[byte]];
  }
  // The first byte at or after `from` on which the start state moves, or `size`: the bytes
  // before it leave the automaton where it is, at the start, reporting nothing.
  std::size_t skip_at_start(const unsigned char* bytes, std::size_t from, std::size_t size) const {
    while (from < size && !leaves_start_[bytes[from]]) ++from;
    return from;
  }
  // A row offset is an exact multiple of class_count_ = odd << row_shift_: shifting out the
  // power of two and multiplying by the odd factor's inverse modulo 2^32 divides exactly,
  // without a division instruction on the search path.
  State state_of(std::uint32_t transition) const {
    return static_cast<State>(((transition & kRowMask) >> row_shift_) * row_inverse_);
  }

  std::size_t pattern_count_ = 0;
  MatchKind kind_;
  std::array<std::uint8_t, 256> byte_class_{};
  std::array<bool, 256> leaves_start_{};  // by byte: the start state's transition is another
  std::size_t class_count_ = 1;
  std::uint32_t row_shift_ = 0;
  std::uint32_t row_inverse_ = 1;
  std::vector<std::uint32_t> delta_;     // state * class_count_ + class -> transition
  std::vector<std::uint32_t> depth_;     // length of the prefix a state stands for
  // The longest pattern (lowest index among equal ones) that is a suffix of the state's
  // prefix, or kNoPattern; and its length.
  std::vector<std::uint32_t> output_;
  std::vector<std::uint32_t> output_len_;
};

}  // namespace sorvane::text
