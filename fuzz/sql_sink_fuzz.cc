// The SQL sink check on arbitrary queries, dialects and spans (also beyond the query and up
// to the largest size): it answers what a plain tokenizer written from the dialects' quoting
// rules answers; a found boundary lies inside the span and the query, it is the first one
// after the span's start, and a longer span finds the same one.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "core/evaluation/rules/sql_injection/sql_sink.h"
#include "fuzz/fuzz_input.h"
#include "core/text/unicode.h"
#include "fuzz/span_checks.h"

using sorvane::evaluation::rules::sql_injection::check_sql_query;
using sorvane::evaluation::rules::sql_injection::DbType;
using sorvane::evaluation::rules::sql_injection::SqliSinkResult;

namespace {

// The character indices at which tokens start, one character at a time.
std::vector<std::size_t> reference_boundaries(std::string_view sql, DbType db_type) {
  enum class State { Word, Number, Between, DoubleQuoted, SingleQuoted, Escape };
  const bool doubled_double_quote =
      db_type == DbType::MySQL || db_type == DbType::Sqlite || db_type == DbType::SqlServer;
  const bool brackets = db_type == DbType::SqlServer;
  std::vector<char32_t> chars;
  for (std::size_t pos = 0; pos < sql.size();) chars.push_back(sorvane::text::decode_at(sql, pos));
  auto op = [](char32_t c) {
    return c == '*' || c == '+' || c == ',' || c == '-' || c == '=' || c == '^';
  };
  auto digit = [](char32_t c) { return c >= '0' && c <= '9'; };
  auto next_is = [&](std::size_t k, char32_t c) { return k + 1 < chars.size() && chars[k + 1] == c; };

  std::vector<std::size_t> boundaries;
  State state = State::Between;
  State previous = State::Between;
  for (std::size_t k = 0; k < chars.size(); ++k) {
    const char32_t c = chars[k];
    if (state != State::Between && state != State::Escape) previous = state;
    const bool white = sorvane::text::is_white_space(c);
    switch (state) {
      case State::Between:
        if (op(c)) {
          boundaries.push_back(k);
        } else if (c == '"' || c == '\'') {
          boundaries.push_back(k);
          state = c == '"' ? State::DoubleQuoted : State::SingleQuoted;
        } else if (brackets && c == '[') {
          boundaries.push_back(k);
          for (std::size_t j = k + 1; j < chars.size(); ++j) {
            if (chars[j] == ']') {
              k = j;
              break;
            }
          }
          state = State::Word;
        } else if (digit(c)) {
          boundaries.push_back(k);
          state = State::Number;
        } else if (white) {
          if (previous == State::SingleQuoted || previous == State::DoubleQuoted) {
            boundaries.push_back(k);
          }
        } else {
          boundaries.push_back(k);
          state = State::Word;
        }
        previous = State::Between;
        break;
      case State::Word:
        if (white || op(c)) {
          boundaries.push_back(k);
          state = State::Between;
        } else if (c == '"' || c == '\'') {
          boundaries.push_back(k);
          state = c == '"' ? State::DoubleQuoted : State::SingleQuoted;
        }
        break;
      case State::Number:
        if (!digit(c) && c != '.') {
          boundaries.push_back(k);
          state = State::Between;
        }
        break;
      case State::SingleQuoted:
      case State::DoubleQuoted: {
        const char32_t quote = state == State::SingleQuoted ? '\'' : '"';
        const bool doubled = state == State::SingleQuoted || doubled_double_quote;
        if (c == '\\') {
          state = State::Escape;
        } else if (c == quote) {
          state = doubled && next_is(k, quote) ? State::Escape : State::Between;
        }
        break;
      }
      case State::Escape:
        state = previous;
        break;
    }
  }
  return boundaries;
}

std::optional<SqliSinkResult> reference_check(std::size_t index, std::size_t length,
                                              DbType db_type, std::string_view sql) {
  const std::size_t end = quenlith_fuzz::saturating_end(index, length);
  std::size_t previous = 0;
  for (std::size_t b : reference_boundaries(sql, db_type)) {
    if (index < b && b < end) return SqliSinkResult{index, end, b, previous};
    previous = b;
  }
  return std::nullopt;
}

}  // namespace

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
  FUZZ_CHECK(result == reference_check(index, length, db_type, sql));
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
