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

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <utility>
#include <vector>

#include "core/evaluation/rules/reflected_xss/sink_checks.h"

namespace sorvane::evaluation::rules::reflected_xss::sink_checks {

class InputMatcher {
 public:
  static constexpr std::size_t kNoMatch = static_cast<std::size_t>(-1);

  // Resumes from the inputs' progress values. The position resumed is the longest leading
  // part among them (`value` up to `progress` of the input with the largest progress); a
  // progress that does not fit its value starts over, and an empty value never matches.
  explicit InputMatcher(std::span<UserInput> inputs);

  bool empty() const { return inputs_.empty(); }
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
    if (!cache_.empty() && state_ < kCachedNodes) {
      const auto key = static_cast<std::uint32_t>(state_ << 8 | c);
      const Step* step = &cache_[(node_hash(state_) ^ byte_hash(c)) & cache_mask_];
      if (step->key != key) ++step;
      if (step->key == key) {
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
    std::uint32_t hash = node_hash(s);
    while (pos < n) {
      const std::uint8_t c = p[pos];
      std::size_t out = kNoMatch;
      const auto key = static_cast<std::uint32_t>(s << 8 | c);
      const Step* step = cache_.empty() ? nullptr : &cache_[(hash ^ byte_hash(c)) & cache_mask_];
      if (step && step->key != key) ++step;
      if (step && s < kCachedNodes && step->key == key) {
        const std::uint32_t next = step->next;
        s = next >> kNodeShift;
        hash = (next >> 1) & ((1u << kCacheBits) - 1);
        if (next & 1) out = nodes_[s].out;
      } else {
        state_ = s;
        out = feed_slow(c);
        s = state_;
        hash = node_hash(s);
      }
      if (out != kNoMatch) {
        state_ = s;
        return out;
      }
      ++pos;
      if (c == stop || s == kRoot) break;
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
  // Writes each input's progress back into the list (after a scan without a match).
  void store_progress();

  const UserInput& operator[](std::size_t i) const { return inputs_[i]; }

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
  // first): `key` is the node << 8 | the byte; `next` holds the node reached, its hash and
  // whether an input ends there, so that the following slot is found without hashing
  // (node << kNodeShift | hash << 1 | ends). Nodes from kCachedNodes on are never cached.
  struct Step {
    std::uint32_t key;
    std::uint32_t next;
  };
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

  // Where an input's value lies in text_.
  struct Value {
    std::size_t start;
    std::size_t size;
  };
  // An input under a node, with the 8 bytes of its value from the node's depth rounded
  // down to a multiple of 8 (little-endian), so that splitting reads no value text.
  struct Entry {
    std::uint64_t word;
    std::size_t size;
    std::size_t index;
  };

  std::uint64_t word_at(std::size_t input, std::size_t d) const {
    const std::uint8_t* p = text_.data() + values_[input].start + d;
    std::uint64_t w = 0;
    if constexpr (std::endian::native == std::endian::little) {
      std::memcpy(&w, p, sizeof w);
    } else {
      for (int i = 0; i < 8; ++i) w |= std::uint64_t{p[i]} << (8 * i);
    }
    return w;
  }

  std::uint8_t byte_at(std::size_t input, std::size_t i) const {
    return text_[values_[input].start + i];
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
  std::size_t out_of(std::size_t v);

  std::span<UserInput> inputs_;
  std::vector<std::uint8_t> text_;  // the values, one after the other
  std::vector<Value> values_;        // by list index
  std::vector<Entry> order_;        // the inputs with a non-empty value, by node
  std::vector<Entry> moved_entries_;
  std::vector<std::uint16_t> keys_;  // while splitting a node
  std::vector<std::pair<std::uint16_t, std::size_t>> distinct_;
  std::vector<Node> nodes_;
  std::vector<Kid> kids_;
  std::vector<std::uint16_t> scratch_;
  std::vector<std::size_t> pending_;
  std::vector<Step> cache_;  // allocated when the scan first leaves the root
  std::uint32_t cache_mask_ = 0;
  std::size_t root_kids_[256];
  std::uint64_t pairs_[1024];  // bit (first << 8 | second): a value starts so, see may_start_match
  std::size_t state_ = kRoot;
  bool moved_ = false;  // whether the position has changed since the progress was read
};

}  // namespace sorvane::evaluation::rules::reflected_xss::sink_checks
