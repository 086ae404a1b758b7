// The streaming matcher of the response-body scanner's tracked inputs: one automaton over
// all input values, fed the bytes of the watched regions one at a time. Its position is the
// longest leading part of some value that ends at the last byte fed; each input's progress
// (the longest leading part of its own value that ends there) is read back from it, and a
// list of progress values written by an earlier chunk is resumed from.
//
// The automaton is built lazily: an input list is kept as one array of input indices, and
// a node of the automaton is a range of that array (the inputs whose value starts with the
// node's text), split by the next byte only when the scan first reaches the node. A scan
// costs time in the bytes fed and the nodes reached, never bytes times inputs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
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
  std::size_t feed(std::uint8_t c);
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

  std::uint8_t byte_at(std::size_t input, std::size_t i) const {
    return static_cast<std::uint8_t>(inputs_[input].value[i]);
  }
  std::size_t add_node(std::size_t begin, std::size_t end, std::size_t depth, std::size_t parent,
                       std::uint8_t byte);
  void expand(std::size_t u);
  // The node for the node's text followed by `c`, or kUnknown when no value continues so.
  std::size_t child(std::size_t u, std::uint8_t c);
  // The next position after `c` from `s` (its fail link known).
  std::size_t next(std::size_t s, std::uint8_t c);
  void ensure_fail(std::size_t v);
  std::size_t out_of(std::size_t v);

  std::span<UserInput> inputs_;
  std::vector<std::size_t> order_;  // indices of the inputs with a non-empty value
  std::vector<Node> nodes_;
  std::vector<Kid> kids_;
  std::vector<std::size_t> scratch_;
  std::vector<std::size_t> pending_;
  std::size_t root_kids_[256];
  std::uint64_t pairs_[1024];  // bit (first << 8 | second): a value starts so, see may_start_match
  std::size_t state_ = kRoot;
  bool moved_ = false;  // whether the position has changed since the progress was read
};

}  // namespace sorvane::evaluation::rules::reflected_xss::sink_checks
