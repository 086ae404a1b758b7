// Plain versions of the two command-line tokenizers of the command sink check, written
// straight from their handler lists, for the fuzz target to compare the real ones with.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

#include "core/text/unicode.h"
#include "core/text/utf8.h"

namespace quenlith_fuzz::cmd_reference {

enum class State { Between, Word, SingleQuoted, DoubleQuoted, End };

class Cursor {
 public:
  explicit Cursor(std::string_view text) {
    for (std::size_t pos = 0; pos < text.size();) chars_.push_back(sorvane::text::decode_at(text, pos));
  }
  bool has() const { return i_ < chars_.size(); }
  bool is(char32_t c) const { return has() && chars_[i_] == c; }
  bool white() const { return has() && sorvane::text::is_white_space(chars_[i_]); }
  bool peek(std::u32string_view s) const {
    if (i_ + s.size() > chars_.size()) return false;
    for (std::size_t k = 0; k < s.size(); ++k) {
      if (chars_[i_ + k] != s[k]) return false;
    }
    return true;
  }
  void record() { boundaries_.push_back(i_); }
  void forward(std::size_t n = 1) { i_ += n; }
  std::vector<std::size_t>& boundaries() { return boundaries_; }

  // Runs `handler` on every character (and once on the missing one of an empty text).
  template <class Handler>
  std::vector<std::size_t> pass(Handler handler) {
    State state = State::Between;
    while (state != State::End) {
      state = handler(state);
      forward();
      if (!has()) state = State::End;
    }
    return boundaries_;
  }

  // The first operator of `ops` (in order) at the cursor: recorded, stood on its last
  // character.
  std::optional<State> chain(std::initializer_list<std::u32string_view> ops) {
    for (auto op : ops) {
      if (peek(op)) {
        record();
        forward(op.size() - 1);
        return State::Between;
      }
    }
    return std::nullopt;
  }

 private:
  std::vector<char32_t> chars_;
  std::size_t i_ = 0;
  std::vector<std::size_t> boundaries_;
};

inline std::vector<std::size_t> posix_boundaries(std::string_view command) {
  Cursor at(command);
  std::vector<State> parens;
  std::vector<State> backticks;
  auto chain = [&] {
    return at.chain({U"0>>", U"1>>", U"2>>", U"$>>", U"&&", U"||", U"|&", U"0>", U"1>", U"2>",
                     U"$>", U">$", U">>", U"<<", U";", U"&", U"|", U"<", U">"});
  };
  auto pop = [](std::vector<State>& stack) {
    State s = stack.back();
    stack.pop_back();
    return s;
  };
  auto backtick = [&](State state) -> std::optional<State> {
    if (at.peek(U"\\`")) {
      if (backticks.size() == 1) {
        backticks.push_back(state);
        at.record();
        at.forward();
        return State::Between;
      }
      if (backticks.size() == 2) {
        at.record();
        at.forward();
        return pop(backticks);
      }
      at.forward();
      return state;
    }
    if (!at.is('`')) return std::nullopt;
    if (backticks.empty()) {
      backticks.push_back(state);
      at.record();
      return State::Between;
    }
    if (backticks.size() == 1) {
      at.record();
      return pop(backticks);
    }
    return std::nullopt;
  };
  auto parenthesized = [&](State state) -> std::optional<State> {
    if (at.peek(U"$(") || at.peek(U"<(") || at.peek(U">(")) {
      parens.push_back(state);
      at.record();
      at.forward();
      return State::Between;
    }
    if (!parens.empty() && at.is(')')) {
      at.record();
      return pop(parens);
    }
    return std::nullopt;
  };
  return at.pass([&](State state) -> State {
    switch (state) {
      case State::Between:
        if (auto s = chain()) return *s;
        if (auto s = backtick(State::Between)) return *s;
        if (auto s = parenthesized(State::Between)) return *s;
        if (at.is('"')) {
          at.record();
          return State::DoubleQuoted;
        }
        if (!at.has()) return State::End;
        if (at.is('\'')) {
          at.record();
          return State::SingleQuoted;
        }
        if (at.white()) return State::Between;
        at.record();
        return State::Word;
      case State::Word:
        if (auto s = backtick(State::Word)) return *s;
        if (at.is('\\')) {
          at.forward();
          return State::Word;
        }
        if (auto s = chain()) return *s;
        if (auto s = parenthesized(State::Word)) return *s;
        if (at.white()) {
          at.record();
          return State::Between;
        }
        return State::Word;
      case State::SingleQuoted:
        if (at.is('\'')) {
          at.record();
          return State::Between;
        }
        return State::SingleQuoted;
      case State::DoubleQuoted:
        if (at.is('\\')) {
          at.forward();
          return State::DoubleQuoted;
        }
        if (auto s = backtick(State::DoubleQuoted)) return *s;
        if (auto s = parenthesized(State::DoubleQuoted)) return *s;
        if (at.is('"')) {
          at.record();
          return State::Between;
        }
        return State::DoubleQuoted;
      case State::End:
        break;
    }
    return State::End;
  });
}

inline std::vector<std::size_t> cmd_exe_boundaries(std::string_view command) {
  Cursor at(command);
  auto chain = [&] {
    return at.chain({U"0>>", U"1>>", U"2>>", U"&&", U">>", U"<<", U"||", U"0>", U"1>", U"2>", U"&",
                     U"|", U"<", U">"});
  };
  auto delimiter = [&] { return at.white() || at.is(',') || at.is(';') || at.is('='); };
  return at.pass([&](State state) -> State {
    switch (state) {
      case State::Between:
        if (at.is('^')) {
          at.record();
          at.forward();
          return State::Word;
        }
        if (at.is('"')) {
          at.record();
          return State::DoubleQuoted;
        }
        if (auto s = chain()) return *s;
        if (delimiter()) return State::Between;
        at.record();
        return State::Word;
      case State::Word:
        if (at.is('^')) {
          at.forward();
          return State::Word;
        }
        if (auto s = chain()) return *s;
        if (delimiter()) {
          at.record();
          return State::Between;
        }
        return State::Word;
      case State::DoubleQuoted:
        if (at.peek(U"\"\"")) {
          at.forward();
          return State::DoubleQuoted;
        }
        if (at.is('"')) {
          at.record();
          return State::Between;
        }
        return State::DoubleQuoted;
      default:
        break;
    }
    return State::End;
  });
}

}  // namespace quenlith_fuzz::cmd_reference
