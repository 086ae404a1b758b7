// The SQL rule's full check on a short benign value and on 100 KB inputs: benign text
// versus repetitions built to open as many windows (or comment scans) as possible.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "bench/support/text.h"
#include "core/evaluation/rules/registry.h"
#include "core/evaluation/rules/input_traits.h"
#include "core/evaluation/rules/sql_injection/sql_injection.h"

namespace {

using bench::support::repeat_to;
using bench::support::set_bytes_per_iteration;
using sorvane::evaluation::rules::compute_input_traits;
namespace sql = sorvane::evaluation::rules::sql_injection;

void run(benchmark::State& state, const std::string& text) {
  const auto& config = sorvane::evaluation::rules::get_rule_config(3);
  const auto traits = compute_input_traits(text, 9);
  std::vector<sorvane::evaluation::rules::PatternMatch> found;
  for (auto _ : state) {
    found.clear();
    sql::instance().get_matches(config, text, traits, found);
    benchmark::DoNotOptimize(found);
  }
  set_bytes_per_iteration(state, text.size());
  state.counters["ns_per_byte"] = benchmark::Counter(
      static_cast<double>(text.size()),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

constexpr std::size_t k100K = 100 * 1024;
const std::string kProse =
    "The quick brown fox jumps over the lazy dog, then rests in the shade for a while. ";

void BM_SqlBenign64(benchmark::State& s) { run(s, kProse.substr(0, 64)); }
void BM_SqlBenignQuoted64(benchmark::State& s) {
  run(s, repeat_to("it's Bob's \"book\" @home + more, ", 64));
}
void BM_SqlBenign100K(benchmark::State& s) { run(s, repeat_to(kProse, k100K)); }
void BM_SqlQuotes100K(benchmark::State& s) { run(s, repeat_to("'", k100K)); }
void BM_SqlCommentOpeners100K(benchmark::State& s) { run(s, repeat_to("/*", k100K)); }
void BM_SqlSemicolons100K(benchmark::State& s) { run(s, repeat_to(";", k100K)); }
void BM_SqlQuoteCommentOpeners100K(benchmark::State& s) { run(s, repeat_to("'/*", k100K)); }
void BM_SqlDigitSemicolons100K(benchmark::State& s) { run(s, repeat_to("1;", k100K)); }
// A quote before every other byte and no two windows alike nearby.
void BM_SqlQuotesVaried100K(benchmark::State& s) {
  std::string text;
  for (unsigned i = 0; text.size() < k100K; ++i) {
    text += '\'';
    text += static_cast<char>('a' + (i * 7 + i / 26) % 26);
  }
  run(s, text);
}

// Units that keep the rows with long bounded repetitions (".{0,128}") busy: every window
// and the whole input hold many starts of such a match.
void BM_SqlQuotedSelects100K(benchmark::State& s) { run(s, repeat_to("'select ", k100K)); }
void BM_SqlQuotedBars100K(benchmark::State& s) { run(s, repeat_to("'||x", k100K)); }

BENCHMARK(BM_SqlBenign64);
BENCHMARK(BM_SqlQuotedSelects100K);
BENCHMARK(BM_SqlQuotedBars100K);
BENCHMARK(BM_SqlBenignQuoted64);
BENCHMARK(BM_SqlBenign100K);
BENCHMARK(BM_SqlQuotes100K);
BENCHMARK(BM_SqlCommentOpeners100K);
BENCHMARK(BM_SqlSemicolons100K);
BENCHMARK(BM_SqlQuoteCommentOpeners100K);
BENCHMARK(BM_SqlDigitSemicolons100K);
BENCHMARK(BM_SqlQuotesVaried100K);

}  // namespace
