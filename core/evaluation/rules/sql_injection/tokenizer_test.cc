#include "core/evaluation/rules/sql_injection/tokenizer.h"

#include <cstdint>
#include <random>
#include <type_traits>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace sorvane::evaluation::rules::sql_injection::tokenizer {
namespace {

using ::testing::ElementsAreArray;

std::vector<std::size_t> boundaries_of(std::string_view sql, DbType db_type) {
  return with_dialect(db_type, [&]<SqlDialect Dialect>() -> std::vector<std::size_t> {
    SqlTokenizer<Dialect> tokens(sql);
    return tokens.tokenize();
  });
}

struct Case {
  std::string sql;
  DbType db_type;
  std::vector<std::size_t> boundaries;
};

TEST(SqlTokenizerTest, BoundariesOfExampleQueries) {
  const std::vector<Case> cases = {
      {"", DbType::MySQL, {}},
      {"abc def", DbType::MySQL, {0, 3, 4}},
      {"1 2", DbType::MySQL, {0, 1, 2}},
      {"'a' b", DbType::MySQL, {0, 3, 4}},
      {"'a'  b", DbType::MySQL, {0, 3, 5}},
      {"'a',b", DbType::MySQL, {0, 3, 4}},
      {"x='a'", DbType::MySQL, {0, 1, 2}},
      {"1.5+2", DbType::MySQL, {0, 3, 4}},
      {"1'x'", DbType::MySQL, {0, 1, 2, 3}},
      {"'a'1", DbType::MySQL, {0, 3}},
      {"(select 1)", DbType::MySQL, {0, 7, 8, 9}},
      {"a;b", DbType::MySQL, {0}},
      {".5", DbType::MySQL, {0}},
      {"\xC3\xA9 b", DbType::MySQL, {0, 1, 2}},
      {"a\xE3\x80\x80" "b", DbType::MySQL, {0, 1, 2}},
      {"x = 'a\\' b' c", DbType::MySQL, {0, 1, 2, 4, 11, 12}},
      {"\"a\"\"b\" c", DbType::MySQL, {0, 6, 7}},
      {"\"a\"\"b\" c", DbType::Sqlite, {0, 6, 7}},
      {"\"a\"\"b\" c", DbType::SqlServer, {0, 6, 7}},
      {"\"a\"\"b\" c", DbType::DB2, {0, 3, 6, 7}},
      {"\"a\"\"b\" c", DbType::Postgres, {0, 3, 6, 7}},
      {"[x y] z", DbType::MySQL, {0, 2, 3, 5, 6}},
      {"[x y] z", DbType::SqlServer, {0, 5, 6}},
      {"[x y z", DbType::SqlServer, {0, 2, 3, 4, 5}},
      {"a[b c]d e", DbType::SqlServer, {0, 3, 4, 7, 8}},
      // A bracketed name that holds non-ASCII characters is skipped by characters.
      {"[\xC3\xA9 \xC3\xA9] z", DbType::SqlServer, {0, 5, 6}},
      // Several unterminated brackets each fall back to ordinary words.
      {"[a [b [c", DbType::SqlServer, {0, 2, 3, 5, 6}},
      // Unterminated string: nothing after its start.
      {"a 'b c d", DbType::MySQL, {0, 1, 2}},
      // An operator right after a number records only the number's end.
      {"1+-2", DbType::MySQL, {0, 1, 2, 3}},
      {"1-+2", DbType::MySQL, {0, 1, 2, 3}},
      // A quote right after a word starts a string.
      {"ab'c d' e", DbType::MySQL, {0, 2, 7, 8}},
      // Escaped quote inside double quotes, and a trailing backslash.
      {"\"a\\\" b\" c", DbType::Oracle, {0, 7, 8}},
      {"'a\\", DbType::MySQL, {0}},
  };
  for (const Case& c : cases) {
    EXPECT_THAT(boundaries_of(c.sql, c.db_type), ElementsAreArray(c.boundaries))
        << "sql: " << c.sql << " db_type: " << db_type_name(c.db_type);
  }
}

TEST(SqlTokenizerTest, DoubledSingleQuoteAndBackslashEscapeInEveryDialect) {
  for (DbType db_type : {DbType::DB2, DbType::MySQL, DbType::Oracle, DbType::Postgres,
                         DbType::Sqlite, DbType::SqlServer, DbType::Unknown}) {
    EXPECT_THAT(boundaries_of("'a''b' c", db_type), ElementsAreArray({0, 6, 7}))
        << db_type_name(db_type);
    EXPECT_THAT(boundaries_of("'a\\' b' c", db_type), ElementsAreArray({0, 7, 8}))
        << db_type_name(db_type);
  }
}

TEST(SqlTokenizerTest, DialectAnswers) {
  struct Row {
    DbType db_type;
    bool doubled_double_quote;
    bool brackets;
  };
  for (const Row& row : {Row{DbType::DB2, false, false}, Row{DbType::MySQL, true, false},
                         Row{DbType::Oracle, false, false}, Row{DbType::Postgres, false, false},
                         Row{DbType::Sqlite, true, false}, Row{DbType::SqlServer, true, true},
                         Row{DbType::Unknown, false, false},
                         Row{static_cast<DbType>(0), false, false},
                         Row{static_cast<DbType>(200), false, false}}) {
    const SqlDialect& d = dialect_for(row.db_type);
    SCOPED_TRACE(static_cast<int>(row.db_type));
    EXPECT_TRUE(d.does_single_quote_escape_inside_single_quotes());
    EXPECT_EQ(d.does_double_quote_escape_inside_double_quotes(), row.doubled_double_quote);
    EXPECT_TRUE(d.is_escape_character(U'\\'));
    EXPECT_FALSE(d.is_escape_character(U'\''));
    EXPECT_EQ(d.is_string_escape_sequence_start(U'['), row.brackets);
    EXPECT_EQ(d.is_string_escape_sequence_end(U']'), row.brackets);
    EXPECT_FALSE(d.is_string_escape_sequence_start(U']'));
    EXPECT_FALSE(d.is_string_escape_sequence_end(U'['));
  }
}

TEST(SqlTokenizerTest, PeekLooksAtTheNextCharacter) {
  SqlTokenizer<kMySqlDialect> tokens("a\xC3\xA9");
  std::size_t seen = 0;
  tokens.run([&](std::size_t) {
    ++seen;
    EXPECT_TRUE(tokens.peek(U'a', U'\u00E9'));
    EXPECT_FALSE(tokens.peek(U'a', U'b'));
    EXPECT_FALSE(tokens.peek(U'b', U'\u00E9'));
    return false;
  });
  EXPECT_EQ(seen, 1u);
  tokens.run([](std::size_t) { return true; });
  EXPECT_FALSE(tokens.peek(U'\u00E9', 0));  // at the end of the text
}

// The tokenizer as it was when dialects were classes behind a virtual interface, every
// call going through it: the dialects as values must give the same boundaries and end in
// the same state.
namespace previous {

// Quoting rules of one dialect. The defaults are those of DefaultDialect.
class SqlDialect {
 public:
  virtual ~SqlDialect() = default;
  // Two single quotes inside a single-quoted string stand for one quote.
  virtual bool does_single_quote_escape_inside_single_quotes() const { return true; }
  // Two double quotes inside a double-quoted string stand for one quote.
  virtual bool does_double_quote_escape_inside_double_quotes() const { return false; }
  // `c` escapes the next character inside a quoted string.
  virtual bool is_escape_character(char32_t c) const { return c == U'\\'; }
  // `c` opens a bracketed name that is skipped as a whole.
  virtual bool is_string_escape_sequence_start(char32_t) const { return false; }
  // `c` closes a bracketed name.
  virtual bool is_string_escape_sequence_end(char32_t) const { return false; }
};

// DB2, Oracle, Postgres and unknown databases.
class DefaultDialect final : public SqlDialect {};

class MySqlDialect final : public SqlDialect {
 public:
  bool does_double_quote_escape_inside_double_quotes() const override { return true; }
};

class SqliteDialect final : public SqlDialect {
 public:
  bool does_double_quote_escape_inside_double_quotes() const override { return true; }
};

class SqlServerDialect final : public SqlDialect {
 public:
  bool does_double_quote_escape_inside_double_quotes() const override { return true; }
  bool is_string_escape_sequence_start(char32_t c) const override { return c == U'['; }
  bool is_string_escape_sequence_end(char32_t c) const override { return c == U']'; }
};

const SqlDialect& dialect_for(DbType db_type) {
  static const DefaultDialect default_dialect;
  static const MySqlDialect mysql;
  static const SqliteDialect sqlite;
  static const SqlServerDialect sql_server;
  switch (db_type) {
    case DbType::MySQL: return mysql;
    case DbType::Sqlite: return sqlite;
    case DbType::SqlServer: return sql_server;
    default: return default_dialect;
  }
}


// One tokenization of one query. `Dialect` is SqlDialect (any dialect, called through the
// interface) or one of the final dialect classes (calls resolved at compile time).
template <class Dialect>
class BasicSqlTokenizer {
 public:
  BasicSqlTokenizer(std::string_view sql, const Dialect& dialect) : sql_(sql), dialect_(dialect) {}

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
          } else if (dialect_.is_string_escape_sequence_start(c)) {
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
          quoted(c, U'\'', dialect_.does_single_quote_escape_inside_single_quotes());
          break;
        case State::DoubleQuoted:
          quoted(c, U'"', dialect_.does_double_quote_escape_inside_double_quotes());
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
  // word characters in Word, digits and "." in Number, and (for a dialect known at
  // compile time) characters other than the quote and the escape character in a string.
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
        if constexpr (!std::is_same_v<Dialect, SqlDialect>) {
          const unsigned char quote = state_ == State::SingleQuoted ? '\'' : '"';
          while (pos < n && s[pos] < 0x80 && s[pos] != quote &&
                 !dialect_.is_escape_character(s[pos])) {
            ++pos;
          }
        }
        break;
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
    if (dialect_.is_escape_character(c)) {
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
      if (dialect_.is_string_escape_sequence_end(c)) {
        next_ = pos;
        index_ += chars;
        return;
      }
    }
    no_end_from_ = next_;
  }

  std::string_view sql_;
  const Dialect& dialect_;
  std::size_t next_ = 0;   // byte offset of the character after the current one
  std::size_t index_ = 0;  // character index of the character after the current one
  char32_t current_ = 0;
  std::size_t no_end_from_ = static_cast<std::size_t>(-1);
  State state_ = State::Between;
  State previous_state_ = State::Between;
  std::vector<std::size_t> boundaries_;
};

}  // namespace previous

TEST(SqlTokenizerTest, SameAnswersAsTheDialectClasses) {
  static const std::vector<std::string> pieces = {"a", "1", ".", " ", "'", "\"", "\\", "''",
                                                  "\"\"", "=", "[", "]", "\xC3\xA9", "\xE3\x80\x80",
                                                  "+", "\t", "\xE3\x80"};
  std::mt19937 rng(3);
  for (DbType db_type : {DbType::DB2, DbType::MySQL, DbType::Oracle, DbType::Postgres,
                         DbType::Sqlite, DbType::SqlServer, DbType::Unknown,
                         static_cast<DbType>(0)}) {
    for (int round = 0; round < 3000; ++round) {
      std::string sql;
      for (int i = static_cast<int>(rng() % 40); i > 0; --i) sql += pieces[rng() % pieces.size()];
      previous::BasicSqlTokenizer<previous::SqlDialect> old(sql, previous::dialect_for(db_type));
      const std::vector<std::size_t> old_boundaries = old.tokenize();
      with_dialect(db_type, [&]<SqlDialect Dialect>() {
        SqlTokenizer<Dialect> now(sql);
        ASSERT_EQ(now.tokenize(), old_boundaries) << db_type_name(db_type) << ": " << sql;
        ASSERT_EQ(now.state(), old.state()) << db_type_name(db_type) << ": " << sql;
      });
    }
  }
}

TEST(SqlTokenizerTest, TruncatedMultibyteCharacterAtTheEnd) {
  // Not valid UTF-8: decoding must stay inside the text.
  const std::string sql = "a \xE3\x80";
  EXPECT_THAT(boundaries_of(sql, DbType::MySQL), ElementsAreArray({0, 1, 2}));
}

}  // namespace
}  // namespace sorvane::evaluation::rules::sql_injection::tokenizer
