// The streaming matcher of the response-body scanner's tracked inputs: one automaton over
// all input values, fed the bytes of the watched regions one at a time. Its position is the
// longest leading part of some value that ends at the last byte fed; each input's progress
// (the longest leading part of its own value that ends there) is read back from it, and a
// list of progress values written by an earlier chunk is resumed from.
//
// The automaton is built lazily: the inputs are kept in one array, and a node of the
// automaton is a range of that array (the inputs whose value starts with the node's text),
// split by the next byte only when the scan first reaches the node. A scan costs time in
// the bytes fed and the inputs under the nodes reached, never bytes times inputs; recent
// transitions are cached, so that a scan that keeps to a few thousand nodes takes one
// lookup per byte.
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <utility>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "core/evaluation/rules/reflected_xss/sink_checks.h"

namespace sorvane::evaluation::rules::reflected_xss::sink_checks {

class InputMatcher {
 public:
  static constexpr std::size_t kNoMatch = static_cast<std::size_t>(-1);

  // Copies the inputs' values and progress values, which the matcher then keeps in one
  // buffer and one array of its own, and resumes from the progress values. The position
  // resumed is the longest leading part among them (`value` up to `progress` of the input
  // with the largest progress); a progress that does not fit its value starts over, and an
  // empty value never matches.
  explicit InputMatcher(std::span<const UserInput> inputs);
  // The same for values whose progress is 0.
  explicit InputMatcher(std::span<const std::string_view> values);
  InputMatcher(const InputMatcher&) = delete;
  InputMatcher& operator=(const InputMatcher&) = delete;

  std::size_t size() const { return values_.size(); }
  // The values, viewing the matcher's own copy, and their progress values, by list index.
  std::span<const std::string_view> values() const { return values_; }
  std::span<const std::uint64_t> progress() const { return progress_; }
  // Sets one progress value; resume() then resumes from the values set.
  void set_progress(std::size_t i, std::uint64_t progress) { progress_[i] = progress; }

  // Resumes from the progress values again, as the constructor does.
  void resume();
  // Goes back to the position of the last resume or store_progress: the one that the
  // inputs' progress values stand for while the caller has not changed them.
  void restore() {
    state_ = stored_state_;
    moved_ = false;
  }

  bool empty() const { return values_.empty(); }
  // Whether a partial match is pending.
  bool active() const { return state_ != kRoot; }
  // Whether `c` starts some input's value.
  bool starts_some(std::uint8_t c) const { return root_kids_[c] != kRoot; }
  // With no partial match pending: whether feeding `c` followed by `next` can leave a
  // trace (some value starts with `c` and is one byte long or continues with `next`).
  bool may_start_match(std::uint8_t c, std::uint8_t next) const {
    const unsigned pair = (unsigned{c} << 8) | next;
    return (pairs_[pair >> 6] >> (pair & 63)) & 1;
  }

  // Feeds one byte; the list index of the first input it completes, or kNoMatch.
  std::size_t feed(std::uint8_t c) {
    moved_ = true;
    if (state_ == kRoot) {
      state_ = root_kids_[c];
      return state_ == kRoot ? kNoMatch : nodes_[state_].out;
    }
    if (const std::uint64_t m = last_[state_]; (m & kLastKey) == (kLastSet | c)) {
      state_ = m >> kLastShift;
      return m & kLastEnds ? nodes_[state_].out : kNoMatch;
    }
    if (!cache_.empty() && state_ < kCachedNodes) {
      const auto key = static_cast<std::uint32_t>(state_ << 8 | c);
      const Step* step = &cache_[(node_hash(state_) ^ byte_hash(c)) & cache_mask_];
      if (step->key != key) ++step;
      if (step->key == key) {
        remember(state_, c, step->next >> kNodeShift, step->next & 1);
        state_ = step->next >> kNodeShift;
        return step->next & 1 ? nodes_[state_].out : kNoMatch;
      }
    }
    return feed_slow(c);
  }
  // With a partial match pending: feeds p[pos], p[pos + 1], ... up to the byte that
  // completes an input (its list index is returned, `pos` stays on it) or, with kNoMatch,
  // up to and including the first `stop` byte, the byte after which no partial match is
  // pending, or the end `n` (`pos` is left after the last byte fed).
  std::size_t feed_run(const std::uint8_t* p, std::size_t n, std::size_t& pos, std::uint8_t stop) {
    moved_ = true;
    std::size_t s = state_;
    // The cache's place and mask stay in registers (only feed_slow changes them). A slot is
    // addressed by twice its index, as `Step::next` holds it.
    const auto* table = reinterpret_cast<const std::uint8_t*>(steps());
    std::uint32_t mask2 = cache_mask_ << 1;
    std::uint64_t* last = last_.data();
    std::uint64_t* pair = pair_.data();
    // The node and byte of the single step just taken, when a pair of steps may start there.
    std::size_t from = kNoPair;
    std::uint8_t first = 0;
    while (pos < n) {
      const std::uint8_t c = p[pos];
      // The two steps this node took last, when the text repeats them: one load for two bytes.
      if (pos + 1 < n && c != stop) {
        const std::uint64_t m = pair[s];
        if ((m & kPairKey) == (kPairSet | std::uint64_t{p[pos + 1]} << 8 | c)) {
          s = m >> kPairShift;
          ++pos;
          if (m & kPairEnds) {
            state_ = s;
            return nodes_[s].out;
          }
          ++pos;
          from = kNoPair;
          if (p[pos - 1] == stop || s == kRoot) break;
          continue;
        }
      }
      const std::size_t before = s;
      std::size_t out = kNoMatch;
      if (const std::uint64_t m = last[s]; (m & kLastKey) == (kLastSet | c)) {
        // The step this node took last: one load, and no hashing.
        s = m >> kLastShift;
        if (m & kLastEnds) out = nodes_[s].out;
      } else {
        const auto key = static_cast<std::uint32_t>(s << 8 | c);
        const std::uint32_t slot2 = (node_hash(s) << 1) & mask2;
        const auto* step = reinterpret_cast<const Step*>(
            table + std::size_t{slot2 ^ ((byte_hash(c) << 1) & mask2)} * (sizeof(Step) / 2));
        if (step->key != key) ++step;
        if (s < kCachedNodes && step->key == key) {
          const std::uint32_t next = step->next;
          remember(s, c, next >> kNodeShift, next & 1);
          s = next >> kNodeShift;
          if (next & 1) out = nodes_[s].out;
        } else {
          state_ = s;
          out = feed_slow(c);
          s = state_;
          last = last_.data();
          pair = pair_.data();
          table = reinterpret_cast<const std::uint8_t*>(steps());
          mask2 = cache_mask_ << 1;
        }
      }
      // A pair is kept only over a middle node that completes nothing and is not the root,
      // after a first byte that does not stop the run: taking it is taking both steps.
      if (from != kNoPair) {
        pair[from] = std::uint64_t{s} << kPairShift | (out != kNoMatch ? kPairEnds : 0) |
                     kPairSet | std::uint64_t{c} << 8 | first;
      }
      if (out != kNoMatch) {
        state_ = s;
        return out;
      }
      ++pos;
      if (c == stop || s == kRoot) break;
      from = before;
      first = c;
    }
    state_ = s;
    return kNoMatch;
  }
  // Forgets every partial match.
  void reset() {
    if (state_ == kRoot) return;
    state_ = kRoot;
    moved_ = true;
  }
  // Writes each input's progress (after a scan without a match) and
  // calls `changed(list index)` for every input whose progress it writes, possibly more
  // than once (the input then holds its final value). Only the inputs that the last store
  // left with a progress are reset, unless resume left any input's progress unknown.
  template <class Changed>
  void store_progress(Changed&& changed);
  void store_progress() {
    store_progress([](std::size_t) {});
  }

  // The bytes the matcher holds (its copies of the values and the automaton built so far).
  std::size_t memory() const;

 private:
  static constexpr std::size_t kRoot = 0;
  // Distinct from kNoMatch, which is a known `out`.
  static constexpr std::size_t kUnknown = static_cast<std::size_t>(-2);
  static constexpr std::size_t kUnexpanded = static_cast<std::size_t>(-1);

  struct Node {
    std::size_t begin;         // first entry in order_ of the inputs under this node
    std::size_t terminal_end;  // entries before it: inputs whose value is this node's text
    std::size_t end;
    std::size_t depth;  // length of the node's text
    std::size_t parent;
    std::uint8_t byte;          // last byte of the node's text
    std::size_t fail = kUnknown;  // node of the longest proper suffix that starts a value
    std::size_t terminal_min = kNoMatch;  // smallest list index among the terminal inputs
    std::size_t out = kUnknown;  // smallest list index of an input ending here or at a suffix
    std::size_t kids = kUnexpanded;  // first entry in kids_
    std::size_t kid_count = 0;
  };
  struct Kid {
    std::uint8_t byte;
    std::size_t node;
  };

  // Recently taken transitions from nodes below the root, two per pair of slots (the newer
  // first): `key` is the node << 8 | the byte; `next` holds the node reached, its hash
  // masked to the cache and whether an input ends there, so that the following slot is
  // found without hashing (node << kNodeShift | (hash & cache_mask_) << 1 | ends). Nodes
  // from kCachedNodes on are never cached.
  struct Step {
    std::uint32_t key;
    std::uint32_t next;
  };
  // Before the cache exists: one pair of empty slots, which every lookup misses (key 0, the
  // root and byte 0, is never looked up).
  static constexpr Step kNoSteps[2] = {};
  const Step* steps() const { return cache_.empty() ? kNoSteps : cache_.data(); }
  // At most 2^kCacheBits slots, fewer for short input lists; cache_mask_ + 1 pairs start
  // at even slots.
  static constexpr unsigned kCacheBits = 14;
  static constexpr unsigned kNodeShift = kCacheBits + 1;
  static constexpr std::size_t kCachedNodes = std::size_t{1} << (32 - kNodeShift);
  static std::uint32_t node_hash(std::size_t node) {
    return (static_cast<std::uint32_t>(node) * 0x9E3779B1u) >> (32 - kCacheBits);
  }
  static std::uint32_t byte_hash(std::uint8_t c) { return (c * 0x85EBCA6Bu) >> (32 - kCacheBits); }
  std::size_t feed_slow(std::uint8_t c);
  template <class ValueAt>
  void build(std::size_t count, ValueAt value_at);

  // The transition each node took last, by node: the node reached << kLastShift | whether an
  // input ends there (kLastEnds) | kLastSet | the byte. A scan that keeps to a path through
  // the automaton (a page that repeats its own text) takes each step with one load.
  static constexpr unsigned kLastShift = 10;
  static constexpr std::uint64_t kLastSet = 0x100;
  static constexpr std::uint64_t kLastEnds = 0x200;
  static constexpr std::uint64_t kLastKey = 0x1FF;
  // Two steps each node took last, by node: the node reached << kPairShift | whether an
  // input ends there (kPairEnds) | kPairSet | the second byte << 8 | the first byte.
  static constexpr unsigned kPairShift = 18;
  static constexpr std::uint64_t kPairSet = 0x10000;
  static constexpr std::uint64_t kPairEnds = 0x20000;
  static constexpr std::uint64_t kPairKey = 0x1FFFF;
  static constexpr std::size_t kNoPair = static_cast<std::size_t>(-1);
  void remember(std::size_t from, std::uint8_t c, std::size_t to, bool ends) {
    last_[from] = std::uint64_t{to} << kLastShift | (ends ? kLastEnds : 0) | kLastSet | c;
  }

  // An input under a node, with the 8 bytes of its value from the node's depth rounded
  // down to a multiple of 8 (little-endian), so that splitting reads no value text.
  struct Entry {
    std::uint64_t word;
    std::size_t size;
    std::size_t index;
  };

  std::uint64_t word_at(std::size_t input, std::size_t d) const {
    const auto* p = reinterpret_cast<const std::uint8_t*>(values_[input].data()) + d;
    std::uint64_t w = 0;
    if constexpr (std::endian::native == std::endian::little) {
      std::memcpy(&w, p, sizeof w);
    } else {
      for (int i = 0; i < 8; ++i) w |= std::uint64_t{p[i]} << (8 * i);
    }
    return w;
  }

  std::uint8_t byte_at(std::size_t input, std::size_t i) const {
    return static_cast<std::uint8_t>(values_[input][i]);
  }
  std::size_t add_node(std::size_t begin, std::size_t terminal_end, std::size_t end,
                       std::size_t depth, std::size_t parent, std::uint8_t byte);
  void expand(std::size_t u);
  static std::size_t shared_run(const Entry* entries, std::size_t r, std::size_t d);
  // The node for the node's text followed by `c`, or kUnknown when no value continues so.
  std::size_t child(std::size_t u, std::uint8_t c);
  // The next position after `c` from `s` (its fail link known).
  std::size_t next(std::size_t s, std::uint8_t c);
  void ensure_fail(std::size_t v);
  void walk_to(std::size_t input);
  std::size_t out_of(std::size_t v);

  std::vector<char> text_;                 // the values, one after the other
  std::vector<std::string_view> values_;  // by list index, viewing text_
  std::vector<std::uint64_t> progress_;   // by list index
  std::vector<Entry> order_;        // the inputs with a non-empty value, by node
  std::vector<Entry> moved_entries_;
  std::vector<std::uint16_t> keys_;  // while splitting a node
  std::vector<std::pair<std::uint16_t, std::size_t>> distinct_;
  std::vector<Node> nodes_;
  std::vector<std::uint64_t> last_;  // by node, see remember
  std::vector<std::uint64_t> pair_;  // by node, see kPairShift
  std::vector<Kid> kids_;
  std::vector<std::uint16_t> scratch_;
  std::vector<std::size_t> pending_;
  std::vector<Step> cache_;  // allocated when the scan first leaves the root
  std::uint32_t cache_mask_ = 0;
  std::size_t root_kids_[256];
  std::uint64_t pairs_[1024];  // bit (first << 8 | second): a value starts so, see may_start_match
  std::size_t state_ = kRoot;
  std::size_t stored_state_ = kRoot;  // the position the progress values stand for
  bool moved_ = false;  // whether the position has changed since the progress was read
  // Whether inputs outside the nodes of `written_` may hold a progress.
  bool all_dirty_ = true;
  std::vector<std::size_t> written_;  // the nodes whose inputs the last store gave a progress
};

// An input's progress is the depth of the deepest node on the current node's suffix chain
// whose text starts the input's value: the inputs under the nodes of the chain, deeper
// nodes overriding shallower ones. Every other input's progress is 0: those the last store
// set (the inputs of its nodes, a range of each that expansions only reorder) are reset.
template <class Changed>
void InputMatcher::store_progress(Changed&& changed) {
  if (!moved_) return;
  if (all_dirty_) {
    for (std::size_t i = 0; i < progress_.size(); ++i) {
      if (progress_[i] == 0) continue;
      progress_[i] = 0;
      changed(i);
    }
  } else {
    for (const std::size_t w : written_) {
      for (std::size_t k = nodes_[w].terminal_end; k < nodes_[w].end; ++k) {
        const std::size_t i = order_[k].index;
        if (progress_[i] == 0) continue;
        progress_[i] = 0;
        changed(i);
      }
    }
  }
  written_.clear();
  for (std::size_t x = state_; x != kRoot; x = nodes_[x].fail) written_.push_back(x);
  for (auto it = written_.rbegin(); it != written_.rend(); ++it) {
    const Node& n = nodes_[*it];
    // Terminal inputs would have matched; none lie on the chain after a scan.
    for (std::size_t k = n.terminal_end; k < n.end; ++k) {
      const std::size_t i = order_[k].index;
      progress_[i] = n.depth;
      changed(i);
    }
  }
  all_dirty_ = false;
  moved_ = false;
  stored_state_ = state_;
}

// The tracked inputs' matcher, with a filter that passes over bytes of a fed region which
// cannot start a match many at a time: the first two bytes of the values, when there are
// only a few. It may be kept from one chunk to the next, with the same values.
class TrackedInputs {
 public:
  explicit TrackedInputs(std::span<const UserInput> inputs) : inputs_(inputs) { init(); }
  explicit TrackedInputs(std::span<const std::string_view> values) : inputs_(values) { init(); }

  // With no partial match pending, inside a fed region that only `stop` can leave or
  // change: the first position at or after `pos` holding `stop`, the chunk's last byte
  // when it starts an input, or a byte for which may_start_match holds; `n` when there is
  // none. The bytes before it can be passed over without feeding them.
  std::size_t next_stop(const std::uint8_t* p, std::size_t n, std::size_t pos,
                        std::uint8_t stop) const {
#if defined(__SSE2__)
    if (pairs_ <= kMaxPairs) {
      const __m128i* first = simd_first_;
      const __m128i* second = simd_second_;
      const __m128i* any_second = simd_any_second_;
      const __m128i stops = _mm_set1_epi8(static_cast<char>(stop));
      for (; pos + 17 <= n; pos += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + pos));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + pos + 1));
        __m128i hit = _mm_cmpeq_epi8(a, stops);
        for (std::size_t k = 0; k < pairs_; ++k) {
          const __m128i next = _mm_or_si128(_mm_cmpeq_epi8(b, second[k]), any_second[k]);
          hit = _mm_or_si128(hit, _mm_and_si128(_mm_cmpeq_epi8(a, first[k]), next));
        }
        if (const int mask = _mm_movemask_epi8(hit)) {
          return pos + static_cast<std::size_t>(std::countr_zero(static_cast<unsigned>(mask)));
        }
      }
    }
#endif
    for (; pos < n; ++pos) {
      const std::uint8_t c = p[pos];
      if (c == stop) return pos;
      if (starts_some(c) && (pos + 1 == n || may_start_match(c, p[pos + 1]))) return pos;
    }
    return n;
  }

  bool empty() const { return inputs_.empty(); }
  std::span<const std::string_view> values() const { return inputs_.values(); }
  std::span<const std::uint64_t> progress() const { return inputs_.progress(); }
  void set_progress(std::size_t i, std::uint64_t progress) { inputs_.set_progress(i, progress); }
  bool active() const { return inputs_.active(); }
  bool starts_some(std::uint8_t c) const { return inputs_.starts_some(c); }
  // With no partial match pending: whether feeding `c` followed by `next` can leave a
  // trace. An input that `c` starts but `next` does not continue ends up after `next`
  // exactly where it would be had `c` never been fed, so such a `c` may be skipped.
  bool may_start_match(std::uint8_t c, std::uint8_t next) const {
    return inputs_.may_start_match(c, next);
  }
  // Feeds one byte; the index of the first input it completes, or kNoMatch.
  std::size_t feed(std::uint8_t c) { return inputs_.feed(c); }
  std::size_t feed_run(const std::uint8_t* p, std::size_t n, std::size_t& pos, std::uint8_t stop) {
    return inputs_.feed_run(p, n, pos, stop);
  }
  void reset() { inputs_.reset(); }

  // See InputMatcher.
  void resume() { inputs_.resume(); }
  void restore() { inputs_.restore(); }
  template <class Changed>
  void store_progress(Changed&& changed) {
    inputs_.store_progress(changed);
  }
  void store_progress() { inputs_.store_progress(); }
  std::size_t memory() const { return inputs_.memory() - sizeof inputs_ + sizeof *this; }

 private:
  static constexpr std::size_t kMaxPairs = 8;

  void init() {
    for (const std::string_view value : inputs_.values()) {
      if (value.empty()) continue;
      if (pairs_ < kMaxPairs) {
        pair_first_[pairs_] = static_cast<std::uint8_t>(value[0]);
        pair_second_[pairs_] = value.size() > 1 ? static_cast<std::uint8_t>(value[1]) : 0;
        pair_any_second_[pairs_] = value.size() == 1;
      }
      ++pairs_;
    }
#if defined(__SSE2__)
    for (std::size_t k = 0; k < std::min(pairs_, kMaxPairs); ++k) {
      simd_first_[k] = _mm_set1_epi8(static_cast<char>(pair_first_[k]));
      simd_second_[k] = _mm_set1_epi8(static_cast<char>(pair_second_[k]));
      simd_any_second_[k] = _mm_set1_epi8(pair_any_second_[k] ? -1 : 0);
    }
#endif
  }

  InputMatcher inputs_;
  // The first two bytes of the first inputs (the second matching anything for values of
  // one byte), for scanning script content many bytes at a time.
  std::size_t pairs_ = 0;
  std::uint8_t pair_first_[kMaxPairs];
  std::uint8_t pair_second_[kMaxPairs];
  bool pair_any_second_[kMaxPairs];
#if defined(__SSE2__)
  __m128i simd_first_[kMaxPairs];
  __m128i simd_second_[kMaxPairs];
  __m128i simd_any_second_[kMaxPairs];
#endif
};

// Scans one chunk as has_vulnerability does, with a matcher kept between chunks: the
// progress values are left to `inputs.store_progress` after a scan without a match.
std::optional<SinkMatch> has_vulnerability(std::string_view chunk, TrackedInputs& inputs,
                                           XssState& state);

}  // namespace sorvane::evaluation::rules::reflected_xss::sink_checks
