// The SQL sink check on arbitrary queries, dialects and spans (also beyond the query and up
// to the largest size): a found boundary lies inside the span and the query, it is the first
// one after the span's start, and a longer span finds the same one.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/evaluation/rules/sql_injection/sql_sink.h"
#include "fuzz/fuzz_input.h"
#include "fuzz/span_checks.h"

using sorvane::evaluation::rules::sql_injection::check_sql_query;
using sorvane::evaluation::rules::sql_injection::DbType;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  quenlith_fuzz::FuzzInput in(data, size);
  // The seven dialects and, now and then, a byte that names none.
  const std::uint8_t kind = in.byte();
  const auto db_type = static_cast<DbType>(kind < 0xF0 ? kind % 8 : kind);
  const std::size_t index = in.size();
  const std::size_t length = in.size();
  const std::string_view sql = in.rest();
  if (!quenlith_fuzz::is_text(sql)) return -1;

  const auto result = check_sql_query(index, length, db_type, sql);
  if (!result) return 0;
  quenlith_fuzz::check_span_result(*result, index, length, sql);

  const std::size_t boundary = result->boundary_overrun_index;
  FUZZ_CHECK(!check_sql_query(index, boundary - index, db_type, sql));
  const auto just_past = check_sql_query(index, boundary - index + 1, db_type, sql);
  FUZZ_CHECK(just_past && just_past->boundary_overrun_index == boundary &&
             just_past->input_boundary_index == result->input_boundary_index);
  const auto longest = check_sql_query(index, std::size_t(-1), db_type, sql);
  FUZZ_CHECK(longest && longest->boundary_overrun_index == boundary);
  return 0;
}
