// The SQL sink check: does a user input, at the position where it was inserted into a
// query, break out of the token it was meant to form?
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "core/evaluation/rules/sink_result_format.h"
#include "core/evaluation/rules/sql_injection/db_type.h"

namespace sorvane::evaluation::rules::sql_injection {

// A token start found strictly inside the input's span. All fields count characters.
struct SqliSinkResult {
  std::size_t start_index;             // where the input starts
  std::size_t end_index;               // exclusive end of the input's span
  std::size_t boundary_overrun_index;  // the first token start inside the span
  std::size_t input_boundary_index;    // the token start before it, 0 when none
  bool operator==(const SqliSinkResult&) const = default;
};

inline constexpr char kSqliSinkResultName[] = "SqliSinkResult";

// Tokenizes `sql` in the dialect of `db_type` and answers the first token start strictly
// inside [input_index, input_index + input_len), counted in characters. Any span, also one
// beyond the text or one whose end does not fit in a size, gives an answer: the end is
// clamped to the largest size instead of wrapping.
std::optional<SqliSinkResult> check_sql_query(std::size_t input_index, std::size_t input_len,
                                              DbType db_type, std::string_view sql);

}  // namespace sorvane::evaluation::rules::sql_injection

// "SqliSinkResult { start_index: .., ... }"; an optional one "None" or "Some(...)".
template <>
struct fmt::formatter<sorvane::evaluation::rules::sql_injection::SqliSinkResult>
    : sorvane::evaluation::rules::SinkResultFormatter<
          sorvane::evaluation::rules::sql_injection::SqliSinkResult,
          sorvane::evaluation::rules::sql_injection::kSqliSinkResultName> {};
template <>
struct fmt::formatter<std::optional<sorvane::evaluation::rules::sql_injection::SqliSinkResult>>
    : sorvane::evaluation::rules::OptionalSinkResultFormatter<
          sorvane::evaluation::rules::sql_injection::SqliSinkResult> {};
