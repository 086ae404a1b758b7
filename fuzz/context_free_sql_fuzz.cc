// The context-free SQL check on arbitrary text: lexemes and answer are those of a second
// version written independently from the lexer, number syntax and evaluator (see
// fuzz/context_free_reference.h); lexemes are slices of the
// text (strings with their quotes, comparators of one or two comparator bytes), numbers are
// never NaN, and a true answer needs a comparator byte.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/evaluation/rules/sql_injection/context_free.h"
#include "fuzz/context_free_reference.h"
#include "fuzz/fuzz_input.h"

namespace cf = sorvane::evaluation::rules::sql_injection::context_free;

namespace {

bool comparator_byte(char c) { return c == '!' || c == '<' || c == '=' || c == '>'; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view sql(reinterpret_cast<const char*>(data), size);
  if (!quenlith_fuzz::is_text(sql)) return -1;

  const auto lexemes = cf::lex(sql);
  FUZZ_CHECK(lexemes == quenlith_fuzz::context_free_reference::lex(sql));
  FUZZ_CHECK(cf::check_context_free_sql(sql) == quenlith_fuzz::context_free_reference::check(sql));
  for (const cf::Lexeme& lexeme : lexemes) {
    switch (lexeme.kind) {
      case cf::Lexeme::Kind::Number:
        FUZZ_CHECK(!std::isnan(lexeme.number));
        break;
      case cf::Lexeme::Kind::Str:
        FUZZ_CHECK(quenlith_fuzz::inside(lexeme.text, sql) && lexeme.text.size() >= 2);
        FUZZ_CHECK(lexeme.text.front() == lexeme.text.back());
        FUZZ_CHECK(lexeme.text.front() == '\'' || lexeme.text.front() == '"');
        break;
      case cf::Lexeme::Kind::Comparator:
        FUZZ_CHECK(quenlith_fuzz::inside(lexeme.text, sql));
        FUZZ_CHECK(lexeme.text.size() == 1 || lexeme.text.size() == 2);
        for (char c : lexeme.text) FUZZ_CHECK(comparator_byte(c));
        break;
      case cf::Lexeme::Kind::Other:
        FUZZ_CHECK(quenlith_fuzz::inside(lexeme.text, sql) && !lexeme.text.empty());
        FUZZ_CHECK(quenlith_fuzz::is_text(lexeme.text));
        break;
    }
  }
  if (cf::check_context_free_sql(sql)) {
    bool any = false;
    for (char c : sql) any = any || comparator_byte(c);
    FUZZ_CHECK(any);
  }
  return 0;
}
