// Token boundaries of a Windows command-shell (cmd.exe) command line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string_view>
#include <vector>

#include "core/evaluation/rules/cmd_injection/shell_cursor.h"

namespace sorvane::evaluation::rules::cmd_injection::windows_shell_tokenizer {

enum class State : std::uint8_t { Between, Word, DoubleQuoted, End };

// One pass over a command. Delimiters are whitespace, ",", ";" and "="; the caret
// escapes the character after it outside double quotes; single quotes do not quote.
class WinShellTokenizer {
 public:
  // The pass may end early once a boundary greater than `stop_after` has been recorded;
  // `keep` tells which boundaries it hands over.
  explicit WinShellTokenizer(std::string_view command,
                             std::size_t stop_after = std::numeric_limits<std::size_t>::max(),
                             Keep keep = Keep::All);

  // Runs the pass and hands over the boundaries, in the order recorded.
  std::vector<std::size_t> run() &&;

  // A chaining or redirection operator at the current character: recorded, passed over.
  std::optional<State> check_chain();
  // Stands on the last character of the `n`-character sequence beginning here.
  void advance(std::size_t n) { cursor_.skip(n == 0 ? 0 : n - 1); }
  // Whether the text from the current character on begins with `ascii`.
  bool peek(std::string_view ascii) const { return cursor_.peek(ascii); }

 private:
  State between();
  State word();
  State double_quoted();
  void record() { boundaries_.record(cursor_.index()); }

  ShellCursor cursor_;
  BoundaryList boundaries_;
};

// The boundaries of `command` (see WinShellTokenizer).
std::vector<std::size_t> tokenize(std::string_view command,
                                  std::size_t stop_after = std::numeric_limits<std::size_t>::max(),
                                  Keep keep = Keep::All);

}  // namespace sorvane::evaluation::rules::cmd_injection::windows_shell_tokenizer
