// SQL dialects of the sink check.
#pragma once

#include <cstdint>
#include <string_view>

namespace sorvane::evaluation::rules::sql_injection {

enum class DbType : std::uint8_t {
  DB2 = 1,
  MySQL = 2,
  Oracle = 3,
  Postgres = 4,
  Sqlite = 5,
  SqlServer = 6,
  Unknown = 7,
};

// The variant name ("DB2" ... "Unknown"); empty for any other value.
constexpr std::string_view db_type_name(DbType type) {
  switch (type) {
    case DbType::DB2: return "DB2";
    case DbType::MySQL: return "MySQL";
    case DbType::Oracle: return "Oracle";
    case DbType::Postgres: return "Postgres";
    case DbType::Sqlite: return "Sqlite";
    case DbType::SqlServer: return "SqlServer";
    case DbType::Unknown: return "Unknown";
  }
  return {};
}

}  // namespace sorvane::evaluation::rules::sql_injection
