// Token boundaries of a POSIX (bash-style) shell command line.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string_view>
#include <vector>

#include "core/evaluation/rules/cmd_injection/shell_cursor.h"

namespace sorvane::evaluation::rules::cmd_injection::bash_tokenizer {

enum class State : std::uint8_t { Between, Word, SingleQuoted, DoubleQuoted, End };

// One pass over a command. Boundaries are character indices where a token, an operator,
// a quoted string or a substitution begins or ends.
class BashTokenizer {
 public:
  // The pass may end early once a boundary greater than `stop_after` has been recorded;
  // `keep` tells which boundaries it hands over.
  explicit BashTokenizer(std::string_view command,
                         std::size_t stop_after = std::numeric_limits<std::size_t>::max(),
                         Keep keep = Keep::All);

  // Runs the pass and hands over the boundaries, in the order recorded.
  std::vector<std::size_t> run() &&;

  // A chaining or redirection operator at the current character: recorded, passed over.
  std::optional<State> check_chain();
  // A backtick substitution opening or closing (also one escaped nesting level).
  std::optional<State> check_backtick(State state);
  // A "$(", "<(" or ">(" substitution opening, or the ")" that closes one.
  std::optional<State> check_parenthensized(State state);
  // Whether the text from the current character on begins with `ascii`.
  bool peek(std::string_view ascii) const { return cursor_.peek(ascii); }

 private:
  State between();
  State word();
  State single_quoted();
  State double_quoted();
  void record() { boundaries_.record(cursor_.index()); }

  ShellCursor cursor_;
  BoundaryList boundaries_;
  std::vector<State> paren_stack_;
  std::array<State, 2> backtick_stack_{};
  std::size_t backtick_depth_ = 0;
};

// The boundaries of `command` (see BashTokenizer).
std::vector<std::size_t> tokenize(std::string_view command,
                                  std::size_t stop_after = std::numeric_limits<std::size_t>::max(),
                                  Keep keep = Keep::All);

}  // namespace sorvane::evaluation::rules::cmd_injection::bash_tokenizer
