#include "core/evaluation/rules/cmd_injection/bash_tokenizer.h"

#include "core/text/unicode.h"

namespace sorvane::evaluation::rules::cmd_injection::bash_tokenizer {

namespace {

// Longest first: the first operator that begins at the current character wins.
constexpr std::string_view kChainOperatorTexts[] = {
    "0>>", "1>>", "2>>", "$>>",                                    //
    "&&", "||", "|&", "0>", "1>", "2>", "$>", ">$", ">>", "<<",  //
    ";", "&", "|", "<", ">",
};
constexpr OperatorList kChainOperators(kChainOperatorTexts);

}  // namespace

BashTokenizer::BashTokenizer(std::string_view command, std::size_t stop_after, Keep keep)
    : cursor_(command), boundaries_(stop_after, keep) {}

std::vector<std::size_t> BashTokenizer::run() && {
  State state = State::Between;
  while (state != State::End) {
    switch (state) {
      case State::Between: state = between(); break;
      case State::Word: state = word(); break;
      case State::SingleQuoted: state = single_quoted(); break;
      case State::DoubleQuoted: state = double_quoted(); break;
      case State::End: break;
    }
    cursor_.next();
    if (!cursor_.has_current() || boundaries_.complete()) state = State::End;
  }
  return std::move(boundaries_).take();
}

std::optional<State> BashTokenizer::check_chain() {
  const std::size_t length = kChainOperators.match(cursor_);
  if (length == 0) return std::nullopt;
  record();
  cursor_.skip(length - 1);
  return State::Between;
}

std::optional<State> BashTokenizer::check_backtick(State state) {
  if (cursor_.peek("\\`")) {
    switch (backtick_depth_) {
      case 0:
        cursor_.next();
        return state;
      case 1:
        backtick_stack_[backtick_depth_++] = state;
        record();
        cursor_.next();
        return State::Between;
      default:
        record();
        cursor_.next();
        return backtick_stack_[--backtick_depth_];
    }
  }
  if (cursor_.at(U'`')) {
    switch (backtick_depth_) {
      case 0:
        backtick_stack_[backtick_depth_++] = state;
        record();
        return State::Between;
      case 1:
        record();
        return backtick_stack_[--backtick_depth_];
      default:
        return std::nullopt;  // a third level is an ordinary character
    }
  }
  return std::nullopt;
}

std::optional<State> BashTokenizer::check_parenthensized(State state) {
  if (cursor_.peek("$(") || cursor_.peek("<(") || cursor_.peek(">(")) {
    paren_stack_.push_back(state);
    record();
    cursor_.next();
    return State::Between;
  }
  if (!paren_stack_.empty() && cursor_.at(U')')) {
    record();
    State saved = paren_stack_.back();
    paren_stack_.pop_back();
    return saved;
  }
  return std::nullopt;
}

State BashTokenizer::between() {
  if (auto next = check_chain()) return *next;
  if (auto next = check_backtick(State::Between)) return *next;
  if (auto next = check_parenthensized(State::Between)) return *next;
  if (cursor_.at(U'"')) {
    record();
    return State::DoubleQuoted;
  }
  if (!cursor_.has_current()) return State::End;
  if (cursor_.at(U'\'')) {
    record();
    return State::SingleQuoted;
  }
  if (text::is_white_space(cursor_.current())) return State::Between;
  // A backslash that begins a word escapes nothing.
  record();
  return State::Word;
}

State BashTokenizer::word() {
  if (cursor_.at_ascii_letter()) return State::Word;  // changes nothing here
  if (auto next = check_backtick(State::Word)) return *next;
  if (cursor_.at(U'\\')) {
    cursor_.next();  // taken literally
    return State::Word;
  }
  if (auto next = check_chain()) return *next;
  if (auto next = check_parenthensized(State::Word)) return *next;
  if (text::is_white_space(cursor_.current())) {
    record();
    return State::Between;
  }
  return State::Word;  // quotes inside a word open no string
}

State BashTokenizer::single_quoted() {
  if (cursor_.at(U'\'')) {
    record();
    return State::Between;
  }
  return State::SingleQuoted;
}

State BashTokenizer::double_quoted() {
  if (cursor_.at_ascii_letter()) return State::DoubleQuoted;  // changes nothing here
  // Before the backtick test: a backslash and a backtick are a literal backtick here.
  if (cursor_.at(U'\\')) {
    cursor_.next();
    return State::DoubleQuoted;
  }
  if (auto next = check_backtick(State::DoubleQuoted)) return *next;
  if (auto next = check_parenthensized(State::DoubleQuoted)) return *next;
  if (cursor_.at(U'"')) {
    record();
    return State::Between;
  }
  return State::DoubleQuoted;
}

std::vector<std::size_t> tokenize(std::string_view command, std::size_t stop_after, Keep keep) {
  return BashTokenizer(command, stop_after, keep).run();
}

}  // namespace sorvane::evaluation::rules::cmd_injection::bash_tokenizer
