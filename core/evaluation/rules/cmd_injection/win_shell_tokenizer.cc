#include "core/evaluation/rules/cmd_injection/win_shell_tokenizer.h"

#include "core/text/unicode.h"

namespace sorvane::evaluation::rules::cmd_injection::windows_shell_tokenizer {

namespace {

// Longest first: the first operator that begins at the current character wins.
constexpr std::string_view kChainOperatorTexts[] = {
    "0>>", "1>>", "2>>",                             //
    "&&", ">>", "<<", "||", "0>", "1>", "2>",  //
    "&", "|", "<", ">",
};
constexpr OperatorList kChainOperators(kChainOperatorTexts);

bool is_delimiter(char32_t c) {
  return c == U',' || c == U';' || c == U'=' || text::is_white_space(c);
}

}  // namespace

WinShellTokenizer::WinShellTokenizer(std::string_view command, std::size_t stop_after, Keep keep)
    : cursor_(command), boundaries_(stop_after, keep) {}

std::vector<std::size_t> WinShellTokenizer::run() && {
  State state = State::Between;
  while (state != State::End) {
    switch (state) {
      case State::Between: state = between(); break;
      case State::Word: state = word(); break;
      case State::DoubleQuoted: state = double_quoted(); break;
      case State::End: break;
    }
    cursor_.next();
    if (!cursor_.has_current() || boundaries_.complete()) state = State::End;
  }
  return std::move(boundaries_).take();
}

std::optional<State> WinShellTokenizer::check_chain() {
  const std::size_t length = kChainOperators.match(cursor_);
  if (length == 0) return std::nullopt;
  record();
  advance(length);
  return State::Between;
}

State WinShellTokenizer::between() {
  if (cursor_.at(U'^')) {
    record();
    cursor_.next();  // taken literally
    return State::Word;
  }
  if (cursor_.at(U'"')) {
    record();
    return State::DoubleQuoted;
  }
  if (auto next = check_chain()) return *next;
  if (cursor_.has_current() && is_delimiter(cursor_.current())) return State::Between;
  // Any other character, and the missing one of an empty command, begins a word.
  record();
  return State::Word;
}

State WinShellTokenizer::word() {
  if (cursor_.at_ascii_letter()) return State::Word;  // changes nothing here
  if (cursor_.at(U'^')) {
    cursor_.next();  // taken literally
    return State::Word;
  }
  if (auto next = check_chain()) return *next;
  if (is_delimiter(cursor_.current())) {
    record();
    return State::Between;
  }
  return State::Word;
}

State WinShellTokenizer::double_quoted() {
  if (cursor_.at_ascii_letter()) return State::DoubleQuoted;  // changes nothing here
  if (cursor_.peek("\"\"")) {
    cursor_.next();  // the second quote is taken literally
    return State::DoubleQuoted;
  }
  if (cursor_.at(U'"')) {
    record();
    return State::Between;
  }
  return State::DoubleQuoted;
}

std::vector<std::size_t> tokenize(std::string_view command, std::size_t stop_after, Keep keep) {
  return WinShellTokenizer(command, stop_after, keep).run();
}

}  // namespace sorvane::evaluation::rules::cmd_injection::windows_shell_tokenizer
