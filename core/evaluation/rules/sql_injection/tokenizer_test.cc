#include "core/evaluation/rules/sql_injection/tokenizer.h"

#include <random>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace sorvane::evaluation::rules::sql_injection::tokenizer {
namespace {

using ::testing::ElementsAreArray;

std::vector<std::size_t> boundaries_of(std::string_view sql, DbType db_type) {
  SqlTokenizer tokens(sql, dialect_for(db_type));
  return tokens.tokenize();
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
  MySqlDialect dialect;
  BasicSqlTokenizer<MySqlDialect> tokens("a\xC3\xA9", dialect);
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

// A dialect with MySQL's answers that is only known through the interface: its
// tokenizer handles every character of a string one by one.
class InterfaceOnlyMySql : public SqlDialect {
 public:
  bool does_double_quote_escape_inside_double_quotes() const override { return true; }
};

TEST(SqlTokenizerTest, DialectKnownAtCompileTimeAgreesWithInterface) {
  static const std::vector<std::string> pieces = {"a", "1", ".", " ", "'", "\"", "\\", "''",
                                                  "\"\"", "=", "[", "]", "\xC3\xA9", "\xE3\x80\x80"};
  std::mt19937 rng(3);
  const MySqlDialect mysql;
  const InterfaceOnlyMySql generic;
  for (int round = 0; round < 5000; ++round) {
    std::string sql;
    for (int i = static_cast<int>(rng() % 40); i > 0; --i) sql += pieces[rng() % pieces.size()];
    BasicSqlTokenizer<MySqlDialect> fast(sql, mysql);
    SqlTokenizer slow(sql, generic);
    ASSERT_EQ(fast.tokenize(), slow.tokenize()) << sql;
  }
}

TEST(SqlTokenizerTest, TruncatedMultibyteCharacterAtTheEnd) {
  // Not valid UTF-8: decoding must stay inside the text.
  const std::string sql = "a \xE3\x80";
  EXPECT_THAT(boundaries_of(sql, DbType::MySQL), ElementsAreArray({0, 1, 2}));
}

}  // namespace
}  // namespace sorvane::evaluation::rules::sql_injection::tokenizer
