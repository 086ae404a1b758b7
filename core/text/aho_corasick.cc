#include "core/text/aho_corasick.h"

#include <bit>
#include <deque>

#include "core/fatal_error.h"

namespace sorvane::text {
namespace {

constexpr std::uint32_t kNoState = UINT32_MAX;

unsigned char fold_byte(unsigned char c, bool on) {
  return on && c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + 32) : c;
}

}  // namespace

AhoCorasick::AhoCorasick(std::span<const std::string_view> patterns, MatchKind kind,
                         bool ascii_case_insensitive)
    : pattern_count_(patterns.size()), kind_(kind) {
  // Byte classes: every (folded) byte that occurs in a pattern gets a class of its own, all
  // other bytes share class 0, which leads back to the start from any state.
  std::array<bool, 256> used{};
  for (std::string_view p : patterns) {
    for (unsigned char b : p) used[fold_byte(b, ascii_case_insensitive)] = true;
  }
  std::size_t used_count = 0;
  for (bool u : used) used_count += u;
  std::array<std::uint8_t, 256> class_of_folded{};
  std::size_t next_class = used_count == 256 ? 0 : 1;
  for (std::size_t b = 0; b < 256; ++b) {
    if (used[b]) class_of_folded[b] = static_cast<std::uint8_t>(next_class++);
  }
  class_count_ = next_class;
  row_shift_ = static_cast<std::uint32_t>(std::countr_zero(class_count_));
  const auto odd = static_cast<std::uint32_t>(class_count_ >> row_shift_);
  // Newton's iteration doubles the correct low bits of the inverse each step: 3, 6, ... 48.
  row_inverse_ = odd;
  for (int i = 0; i < 4; ++i) row_inverse_ *= 2u - odd * row_inverse_;
  if (odd * row_inverse_ != 1u) panic("keyword automaton row inverse");
  for (std::size_t b = 0; b < 256; ++b) {
    byte_class_[b] = class_of_folded[fold_byte(static_cast<unsigned char>(b), ascii_case_insensitive)];
  }

  // The trie of the patterns; the first (lowest) index keeps a state that several share.
  auto add_state = [&](std::uint32_t depth) {
    delta_.insert(delta_.end(), class_count_, kNoState);
    depth_.push_back(depth);
    output_.push_back(kNoPattern);
    output_len_.push_back(0);
    return static_cast<State>(depth_.size() - 1);
  };
  add_state(0);
  for (std::size_t i = 0; i < patterns.size(); ++i) {
    std::string_view p = patterns[i];
    if (p.empty()) continue;
    State s = 0;
    for (unsigned char b : p) {
      const std::size_t slot = static_cast<std::size_t>(s) * class_count_ + byte_class_[b];
      if (delta_[slot] == kNoState) {
        const State t = add_state(depth_[s] + 1);
        delta_[slot] = t;
      }
      s = delta_[slot];
    }
    if (output_[s] == kNoPattern) {
      output_[s] = static_cast<std::uint32_t>(i);
      output_len_[s] = static_cast<std::uint32_t>(p.size());
    }
  }

  // The trie's leaves, before the failure links fill every transition.
  std::vector<bool> leaf(depth_.size(), true);
  for (std::size_t slot = 0; slot < delta_.size(); ++slot) {
    if (delta_[slot] != kNoState) leaf[slot / class_count_] = false;
  }

  // Failure links in breadth-first order turn the trie into a complete transition table;
  // a state without a pattern of its own reports the longest pattern among its suffixes.
  std::vector<State> fail(depth_.size(), 0);
  std::deque<State> queue;
  for (std::size_t c = 0; c < class_count_; ++c) {
    State& t = delta_[c];
    if (t == kNoState) {
      t = 0;
    } else {
      queue.push_back(t);
    }
  }
  while (!queue.empty()) {
    const State s = queue.front();
    queue.pop_front();
    if (output_[s] == kNoPattern) {
      output_[s] = output_[fail[s]];
      output_len_[s] = output_len_[fail[s]];
    }
    for (std::size_t c = 0; c < class_count_; ++c) {
      State& t = delta_[static_cast<std::size_t>(s) * class_count_ + c];
      const State via_fail = delta_[static_cast<std::size_t>(fail[s]) * class_count_ + c];
      if (t == kNoState) {
        t = via_fail;
      } else {
        fail[t] = via_fail;
        queue.push_back(t);
      }
    }
  }
  // Row offsets stay below both flag bits.
  if (static_cast<std::uint64_t>(depth_.size()) * class_count_ > kLeafBit) {
    panic("keyword automaton too large");
  }
  for (std::uint32_t& t : delta_) {
    const bool reports = output_[t] != kNoPattern;
    const bool whole_leaf = reports && leaf[t] && output_len_[t] == depth_[t];
    t = static_cast<std::uint32_t>(t * class_count_) | (reports ? kMatchBit : 0) |
        (whole_leaf ? kLeafBit : 0);
  }
  for (std::size_t b = 0; b < 256; ++b) leaves_start_[b] = delta_[byte_class_[b]] != 0;
}

AhoCorasick::~AhoCorasick() = default;
AhoCorasick::AhoCorasick(AhoCorasick&&) noexcept = default;
AhoCorasick& AhoCorasick::operator=(AhoCorasick&&) noexcept = default;

std::optional<AcMatch> AhoCorasick::find(std::string_view hay, std::size_t from) const {
  const auto* bytes = reinterpret_cast<const unsigned char*>(hay.data());
  std::uint32_t t = 0;  // the start state
  if (kind_ == MatchKind::Standard) {
    for (std::size_t i = from; i < hay.size(); ++i) {
      if (t == 0) {
        i = skip_at_start(bytes, i, hay.size());
        if (i == hay.size()) break;
      }
      t = step(t, bytes[i]);
      if (t & kMatchBit) {
        const State s = state_of(t);
        return AcMatch{output_[s], i + 1 - output_len_[s], i + 1};
      }
    }
    return std::nullopt;
  }
  // Leftmost-longest: the longest pattern ending at a position is the one that starts
  // leftmost there. Until the first candidate, the bytes on which the start state stays
  // where it is are skipped as in the standard search; then the best candidate is kept
  // until the automaton's current prefix starts after it: no later match can start at or
  // before it then. The candidate lives in scalars until the return (an optional rebuilt in
  // the loop costs a store-to-load round trip per search).
  std::size_t i = from;
  for (;; ++i) {
    if (t == 0) i = skip_at_start(bytes, i, hay.size());
    if (i >= hay.size()) return std::nullopt;
    t = step(t, bytes[i]);
    if (t & kMatchBit) break;
  }
  State s = state_of(t);
  AcMatch best{output_[s], i + 1 - output_len_[s], i + 1};
  // At a leaf every next state stands for a prefix no longer than this one, so it starts
  // after the candidate: the loop below would stop at its first byte.
  if (t & kLeafBit) return best;
  for (++i; i < hay.size(); ++i) {
    t = step(t, bytes[i]);
    s = state_of(t);
    const std::size_t end = i + 1;
    if (end - depth_[s] > best.start) break;
    if (!(t & kMatchBit)) continue;
    const std::size_t start = end - output_len_[s];
    if (start < best.start || (start == best.start && end > best.end)) {
      best = AcMatch{output_[s], start, end};
    }
  }
  return best;
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
