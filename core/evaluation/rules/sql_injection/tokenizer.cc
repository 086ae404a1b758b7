#include "core/evaluation/rules/sql_injection/tokenizer.h"

namespace sorvane::evaluation::rules::sql_injection::tokenizer {

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

}  // namespace sorvane::evaluation::rules::sql_injection::tokenizer
