#include "core/evaluation/rules/sql_injection/sql_sink.h"

#include <limits>

#include <fmt/format.h>

#include "core/evaluation/rules/sql_injection/tokenizer.h"
#include "core/log/log.h"
#include "core/text/utf8.h"

namespace sorvane::evaluation::rules::sql_injection {

namespace {

template <tokenizer::SqlDialect Dialect>
std::optional<SqliSinkResult> find_overrun(std::size_t input_index, std::size_t end,
                                           std::string_view sql) {
  std::optional<SqliSinkResult> result;
  std::size_t previous = 0;
  tokenizer::SqlTokenizer<Dialect> tokens(sql);
  tokens.run([&](std::size_t b) {
    if (input_index < b && b < end) {
      result = SqliSinkResult{input_index, end, b, previous};
      return false;
    }
    previous = b;
    // Boundaries never decrease: none after one past the end can qualify.
    return b <= end;
  });
  return result;
}

std::optional<SqliSinkResult> find_overrun(std::size_t input_index, std::size_t end,
                                           DbType db_type, std::string_view sql) {
  return tokenizer::with_dialect(db_type, [&]<tokenizer::SqlDialect Dialect>() {
    return find_overrun<Dialect>(input_index, end, sql);
  });
}

}  // namespace

std::optional<SqliSinkResult> check_sql_query(std::size_t input_index, std::size_t input_len,
                                              DbType db_type, std::string_view sql) {
  constexpr std::size_t kMax = std::numeric_limits<std::size_t>::max();
  const std::size_t end = input_len > kMax - input_index ? kMax : input_index + input_len;
  std::optional<SqliSinkResult> result;
  if (input_len != 0) result = find_overrun(input_index, end, db_type, sql);
  if (log::enabled(log::Level::Debug)) {
    const std::string_view name = db_type_name(db_type);
    SORVANE_DEBUG("sorvane::evaluation::rules::sql_injection",
                  "check_sql_query - result: {}. input_index: {}. input_len: {}. db_type: {}. "
                  "sql: {}",
                  result, input_index, input_len,
                  name.empty() ? fmt::to_string(static_cast<unsigned>(db_type)) : std::string(name),
                  text::truncate_chars(sql, 128));
  }
  return result;
}

}  // namespace sorvane::evaluation::rules::sql_injection
