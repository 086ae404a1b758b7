// The least expression work the findings of a body of distinct short hostile values take:
// each value's reported rows asked once, alone, through the same compiled expressions the
// rules ask (no pre-filter, no other row, no other rule, no JSON). Each row is named like
// the body's BM_CheckJsonManyResults row, so the two read side by side in one run.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdlib>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "bench/support/text.h"
#include "core/evaluation/match_engine/pattern.h"
#include "core/evaluation/rules/cmd_injection/cmd_injection.h"
#include "core/evaluation/rules/path_traversal/path_traversal.h"
#include "core/evaluation/rules/sql_injection/sql_injection.h"
#include "core/evaluation/rules/ssjs_injection/ssjs_injection.h"
#include "core/text/regex.h"

namespace {

namespace match_engine = sorvane::evaluation::match_engine;
namespace rules = sorvane::evaluation::rules;

// The expression of row `id` of the tables that hold it.
sorvane::text::Regex expression_of(std::string_view id) {
  const std::array<std::span<const match_engine::ProtoPattern>, 4> tables = {
      rules::sql_injection::SQLI_PATTERNS, rules::ssjs_injection::SSJS_PATTERNS,
      rules::cmd_injection::CMDI_PATTERNS, rules::path_traversal::PATH_PATTERNS};
  for (const auto& table : tables) {
    for (const auto& row : table) {
      if (row.id == id) return sorvane::text::Regex(row.regex);
    }
  }
  std::abort();
}

void BM_FindingExpressionsAlone(benchmark::State& state, std::string_view prefix,
                                std::string_view suffix, std::vector<std::string_view> ids) {
  const std::vector<std::string> texts = bench::support::distinct_texts(prefix, suffix, 7000);
  std::vector<sorvane::text::Regex> expressions;
  for (std::string_view id : ids) expressions.push_back(expression_of(id));
  for (auto _ : state) {
    std::size_t matched = 0;
    for (const std::string& text : texts) {
      for (const auto& expression : expressions) matched += expression.is_match(text);
    }
    if (matched != texts.size() * expressions.size()) {
      state.SkipWithError("a reported row does not match");
      break;
    }
    benchmark::DoNotOptimize(matched);
  }
}

// The ssjs-injection row of each "eval(N)" value (its reflected-xss finding comes from code,
// not an expression, and is left out).
BENCHMARK_CAPTURE(BM_FindingExpressionsAlone, distinct_eval_calls, "eval(", ")",
                  {"SSJS-I-2"});
BENCHMARK_CAPTURE(BM_FindingExpressionsAlone, distinct_sql_tautologies, "' or ", "=1--",
                  {"PIDS-SQLI-48H"});
BENCHMARK_CAPTURE(BM_FindingExpressionsAlone, distinct_union_selects, "1' union select ", "--",
                  {"SQLI-UNION-SELECT"});
BENCHMARK_CAPTURE(BM_FindingExpressionsAlone, distinct_chained_commands, ";ls ", "",
                  {"PIPE-CHAINED-OPS"});
BENCHMARK_CAPTURE(BM_FindingExpressionsAlone, distinct_passwd_paths, "/etc/passwd", "",
                  {"10A-1-0B", "3000-12"});
BENCHMARK_CAPTURE(BM_FindingExpressionsAlone, distinct_traversals, "../../etc/passwd", "",
                  {"10A-1-1", "3000-12"});

}  // namespace
