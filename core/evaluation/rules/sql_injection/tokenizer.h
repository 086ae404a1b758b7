// Token boundaries of a SQL query: a character state machine whose quoting rules come
// from the database dialect. Positions are character indices (Unicode scalar values).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "core/evaluation/rules/sql_injection/db_type.h"
#include "core/text/unicode.h"
#include "core/text/utf8.h"

namespace sorvane::evaluation::rules::sql_injection::tokenizer {

// Quoting rules of one dialect: a constant description, passed to the tokenizer as a
// template parameter so that every answer is known at compile time.
struct SqlDialect {
  bool doubled_single_quote = true;   // two single quotes in a single-quoted string: one quote
  bool doubled_double_quote = false;  // two double quotes in a double-quoted string: one quote
  char32_t escape = U'\\';            // escapes the next character inside a quoted string
  bool bracketed_names = false;       // `name_open` ... `name_close` is skipped as a whole
  char32_t name_open = 0;
  char32_t name_close = 0;

  constexpr bool does_single_quote_escape_inside_single_quotes() const {
    return doubled_single_quote;
  }
  constexpr bool does_double_quote_escape_inside_double_quotes() const {
    return doubled_double_quote;
  }
  constexpr bool is_escape_character(char32_t c) const { return c == escape; }
  constexpr bool is_string_escape_sequence_start(char32_t c) const {
    return bracketed_names && c == name_open;
  }
  constexpr bool is_string_escape_sequence_end(char32_t c) const {
    return bracketed_names && c == name_close;
  }
};

// DB2, Oracle, Postgres and unknown databases.
inline constexpr SqlDialect kDefaultDialect{};
inline constexpr SqlDialect kMySqlDialect{.doubled_double_quote = true};
inline constexpr SqlDialect kSqliteDialect{.doubled_double_quote = true};
inline constexpr SqlDialect kSqlServerDialect{
    .doubled_double_quote = true, .bracketed_names = true, .name_open = U'[', .name_close = U']'};

// The dialect of a database kind (kDefaultDialect for any value other than MySQL, Sqlite
// and SqlServer).
constexpr const SqlDialect& dialect_for(DbType db_type) {
  switch (db_type) {
    case DbType::MySQL: return kMySqlDialect;
    case DbType::Sqlite: return kSqliteDialect;
    case DbType::SqlServer: return kSqlServerDialect;
    default: return kDefaultDialect;
  }
}

// Calls `f.template operator()<D>()` with the dialect D of `db_type` as a constant.
template <class F>
decltype(auto) with_dialect(DbType db_type, F&& f) {
  switch (db_type) {
    case DbType::MySQL: return f.template operator()<kMySqlDialect>();
    case DbType::Sqlite: return f.template operator()<kSqliteDialect>();
    case DbType::SqlServer: return f.template operator()<kSqlServerDialect>();
    default: return f.template operator()<kDefaultDialect>();
  }
}

enum class State : std::uint8_t { Word, Number, Between, DoubleQuoted, SingleQuoted, Escape };

// One tokenization of one query in dialect `Dialect`.
template <SqlDialect Dialect>
class SqlTokenizer {
 public:
  explicit SqlTokenizer(std::string_view sql) : sql_(sql) {}

  // Whether the current character is `c1` and the character after it exists and is `c2`.
  bool peek(char32_t c1, char32_t c2) const {
    if (current_ != c1 || next_ >= sql_.size()) return false;
    std::size_t pos = next_;
    return decode(pos) == c2;
  }

  // Tokenizes the whole query and returns the character indices at which tokens start.
  const std::vector<std::size_t>& tokenize() {
    run([this](std::size_t k) {
      boundaries_.push_back(k);
      return true;
    });
    return boundaries_;
  }

  // Tokenizes from the current position, calling `on_boundary(k)` for every token start
  // k in order; stops early when it returns false.
  template <class OnBoundary>
  void run(OnBoundary&& on_boundary) {
    const std::size_t n = sql_.size();
    while (next_ < n) {
      skip_plain_ascii();
      if (next_ == n) break;
      const std::size_t k = index_;
      current_ = decode(next_);
      ++index_;
      const char32_t c = current_;
      if (state_ != State::Between && state_ != State::Escape) previous_state_ = state_;
      bool record = false;
      switch (state_) {
        case State::Between:
          record = true;
          if (is_operator(c)) {
            // a token of its own; stays Between
          } else if (c == U'"') {
            state_ = State::DoubleQuoted;
          } else if (c == U'\'') {
            state_ = State::SingleQuoted;
          } else if (Dialect.is_string_escape_sequence_start(c)) {
            skip_bracketed_name();
            state_ = State::Word;
          } else if (is_digit(c)) {
            state_ = State::Number;
          } else if (text::is_white_space(c)) {
            record = previous_state_ == State::SingleQuoted ||
                     previous_state_ == State::DoubleQuoted;
          } else {
            state_ = State::Word;
          }
          previous_state_ = State::Between;
          break;
        case State::Word:
          if (text::is_white_space(c) || is_operator(c)) {
            record = true;
            state_ = State::Between;
          } else if (c == U'"') {
            record = true;
            state_ = State::DoubleQuoted;
          } else if (c == U'\'') {
            record = true;
            state_ = State::SingleQuoted;
          }
          break;
        case State::Number:
          if (!is_digit(c) && c != U'.') {
            record = true;
            state_ = State::Between;
          }
          break;
        case State::SingleQuoted:
          quoted(c, U'\'', Dialect.does_single_quote_escape_inside_single_quotes());
          break;
        case State::DoubleQuoted:
          quoted(c, U'"', Dialect.does_double_quote_escape_inside_double_quotes());
          break;
        case State::Escape:
          state_ = previous_state_;
          break;
      }
      if (record && !on_boundary(k)) return;
    }
  }

  State state() const { return state_; }
  const std::vector<std::size_t>& boundaries() const { return boundaries_; }

 private:
  static constexpr bool is_operator(char32_t c) {
    return c == U'*' || c == U'+' || c == U',' || c == U'-' || c == U'=' || c == U'^';
  }
  static constexpr bool is_digit(char32_t c) { return c >= U'0' && c <= U'9'; }

  // ASCII characters that keep a word going: all but whitespace, operators and quotes.
  static constexpr bool is_plain_word_byte(unsigned char b) {
    return b < 0x80 && !(b == ' ' || (b >= '\t' && b <= '\r')) && !is_operator(b) && b != '"' &&
           b != '\'';
  }

  // Passes over a run of ASCII characters that the current state would only stay in:
  // word characters in Word, digits and "." in Number, and characters other than the quote
  // and the escape character in a string.
  // Handling them one by one would record nothing and change nothing but previous_state.
  void skip_plain_ascii() {
    const auto* s = reinterpret_cast<const unsigned char*>(sql_.data());
    const std::size_t n = sql_.size();
    std::size_t pos = next_;
    switch (state_) {
      case State::Word:
        while (pos < n && is_plain_word_byte(s[pos])) ++pos;
        break;
      case State::Number:
        while (pos < n && (is_digit(s[pos]) || s[pos] == '.')) ++pos;
        break;
      case State::SingleQuoted:
      case State::DoubleQuoted:
      {
        const unsigned char quote = state_ == State::SingleQuoted ? '\'' : '"';
        while (pos < n && s[pos] < 0x80 && s[pos] != quote &&
               !Dialect.is_escape_character(s[pos])) {
          ++pos;
        }
        break;
      }
      default:
        return;
    }
    if (pos == next_) return;
    current_ = s[pos - 1];
    index_ += pos - next_;
    next_ = pos;
    previous_state_ = state_;
  }

  char32_t decode(std::size_t& pos) const {
    const auto b = static_cast<unsigned char>(sql_[pos]);
    if (b < 0x80) {
      ++pos;
      return b;
    }
    // Through a local, so that no member's address reaches the out-of-line decoder (which
    // would force every member back to memory around each call).
    std::size_t local = pos;
    const char32_t c = text::decode_at(sql_, local);
    pos = local;
    return c;
  }

  void quoted(char32_t c, char32_t quote, bool doubled_quote_escapes) {
    if (Dialect.is_escape_character(c)) {
      state_ = State::Escape;
    } else if (c == quote) {
      state_ = doubled_quote_escapes && peek(quote, quote) ? State::Escape : State::Between;
    }
  }

  // After an opening bracket: consumes the characters up to and including the first
  // closing one, or nothing when there is none. Once a search from some byte has failed,
  // every later search fails too, so the text is searched to its end at most once.
  void skip_bracketed_name() {
    if (next_ >= no_end_from_) return;
    std::size_t pos = next_;
    std::size_t chars = 0;
    while (pos < sql_.size()) {
      const char32_t c = decode(pos);
      ++chars;
      if (Dialect.is_string_escape_sequence_end(c)) {
        next_ = pos;
        index_ += chars;
        return;
      }
    }
    no_end_from_ = next_;
  }

  std::string_view sql_;
  std::size_t next_ = 0;   // byte offset of the character after the current one
  std::size_t index_ = 0;  // character index of the character after the current one
  char32_t current_ = 0;
  std::size_t no_end_from_ = static_cast<std::size_t>(-1);
  State state_ = State::Between;
  State previous_state_ = State::Between;
  std::vector<std::size_t> boundaries_;
};

}  // namespace sorvane::evaluation::rules::sql_injection::tokenizer
