#include "core/evaluation/rules/sql_injection/sql_sink.h"

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/log/capture_for_testing.h"

namespace sorvane::evaluation::rules::sql_injection {
namespace {

constexpr std::size_t kU32Max = std::numeric_limits<std::uint32_t>::max();
constexpr std::size_t kSizeMax = std::numeric_limits<std::size_t>::max();

struct Case {
  std::string sql;
  std::size_t index;
  std::size_t len;
  DbType db_type;
  std::optional<SqliSinkResult> expected;
};

TEST(SqlSinkTest, CheckSqlQuery) {
  const std::string attack = "SELECT * FROM t WHERE a='x' OR 1=1--'";
  const std::vector<Case> cases = {
      {attack, 25, 4, DbType::MySQL, SqliSinkResult{25, 29, 27, 24}},
      {attack, 25, 2, DbType::MySQL, std::nullopt},
      // Boundaries at exactly the start or the end do not count.
      {"1 2", 0, 2, DbType::MySQL, SqliSinkResult{0, 2, 1, 0}},
      {"1 2", 1, 1, DbType::MySQL, std::nullopt},
      {"1 2", 0, 3, DbType::MySQL, SqliSinkResult{0, 3, 1, 0}},
      // The previous boundary is the one recorded just before the overrun.
      {"a b c d", 3, 3, DbType::MySQL, SqliSinkResult{3, 6, 4, 3}},
      // Empty text or empty span: never a result.
      {"", 0, 10, DbType::MySQL, std::nullopt},
      {"", 0, 0, DbType::Unknown, std::nullopt},
      {"a b c", 0, 0, DbType::MySQL, std::nullopt},
      {"a b c", 1, 0, DbType::MySQL, std::nullopt},
      // Spans beyond the text: only the recorded boundaries matter.
      {"a b", 0, 1000, DbType::MySQL, SqliSinkResult{0, 1000, 1, 0}},
      {"a b", 2, 1000, DbType::MySQL, std::nullopt},
      {"a b", 1000, 5, DbType::MySQL, std::nullopt},
      // Characters, not bytes: the blank after the accented letter is at index 1.
      {"\xC3\xA9 b", 0, 2, DbType::MySQL, SqliSinkResult{0, 2, 1, 0}},
      {"\xC3\xA9 b", 1, 1, DbType::MySQL, std::nullopt},
      // Dialect differences reach the check.
      {"x = \"a\"\"b\"", 4, 6, DbType::MySQL, std::nullopt},
      {"x = \"a\"\"b\"", 4, 6, DbType::Postgres, SqliSinkResult{4, 10, 7, 4}},
      {"select [a b] x", 7, 5, DbType::SqlServer, std::nullopt},
      {"select [a b] x", 7, 5, DbType::MySQL, SqliSinkResult{7, 12, 9, 7}},
      // A kind outside the table uses the default dialect.
      {"x = \"a\"\"b\"", 4, 6, static_cast<DbType>(0), SqliSinkResult{4, 10, 7, 4}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(check_sql_query(c.index, c.len, c.db_type, c.sql), c.expected)
        << "sql: " << c.sql << " index: " << c.index << " len: " << c.len;
  }
}

TEST(SqlSinkTest, UntrustedPositionsNeverWrap) {
  const std::string sql = "a b c";
  struct Row {
    std::size_t index;
    std::size_t len;
    std::optional<SqliSinkResult> expected;
  };
  const std::vector<Row> rows = {
      {kU32Max, kU32Max, std::nullopt},
      {kU32Max, 1, std::nullopt},
      {0, kU32Max, SqliSinkResult{0, kU32Max, 1, 0}},
      {1, kU32Max, SqliSinkResult{1, 1 + kU32Max, 2, 1}},
      // An end that does not fit is clamped, not wrapped into a span at the start.
      {kSizeMax, 2, std::nullopt},
      {kSizeMax - 1, kSizeMax, std::nullopt},
      {1, kSizeMax, SqliSinkResult{1, kSizeMax, 2, 1}},
      {0, kSizeMax, SqliSinkResult{0, kSizeMax, 1, 0}},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(check_sql_query(r.index, r.len, DbType::MySQL, sql), r.expected)
        << r.index << " + " << r.len;
  }
}

TEST(SqlSinkTest, DebugForms) {
  EXPECT_EQ(fmt::format("{}", std::optional<SqliSinkResult>{}), "None");
  EXPECT_EQ(fmt::format("{}", SqliSinkResult{1, 2, 3, 0}),
            "SqliSinkResult { start_index: 1, end_index: 2, boundary_overrun_index: 3, "
            "input_boundary_index: 0 }");
  EXPECT_EQ(fmt::format("{}", std::optional<SqliSinkResult>{SqliSinkResult{25, 29, 27, 24}}),
            "Some(SqliSinkResult { start_index: 25, end_index: 29, boundary_overrun_index: 27, "
            "input_boundary_index: 24 })");
}

TEST(SqlSinkLogTest, OneDebugLinePerCall) {
  log::ScopedLogCapture capture(log::Level::Debug);
  check_sql_query(25, 4, DbType::MySQL, "SELECT * FROM t WHERE a='x' OR 1=1--'");
  check_sql_query(0, 1, DbType::SqlServer, std::string(200, 'x') + "\xC3\xA9");
  const std::vector<log::CapturedRecord>& records = capture.records();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].level, log::Level::Debug);
  EXPECT_EQ(records[0].target, "sorvane::evaluation::rules::sql_injection");
  EXPECT_EQ(records[0].message,
            "check_sql_query - result: Some(SqliSinkResult { start_index: 25, end_index: 29, "
            "boundary_overrun_index: 27, input_boundary_index: 24 }). input_index: 25. "
            "input_len: 4. db_type: MySQL. sql: SELECT * FROM t WHERE a='x' OR 1=1--'");
  EXPECT_EQ(records[1].message,
            "check_sql_query - result: None. input_index: 0. input_len: 1. db_type: SqlServer. "
            "sql: " + std::string(128, 'x'));
}

TEST(SqlSinkLogTest, NoLineBelowDebug) {
  log::ScopedLogCapture capture(log::Level::Info);
  check_sql_query(0, 2, DbType::MySQL, "1 2");
  EXPECT_TRUE(capture.records().empty());
}

}  // namespace
}  // namespace sorvane::evaluation::rules::sql_injection
