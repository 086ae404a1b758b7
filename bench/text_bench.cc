// Throughput of the shared text toolkit: input summary, translated expressions, keyword
// automaton.
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "bench/support/text.h"
#include "core/evaluation/rules/input_traits.h"
#include "core/text/aho_corasick.h"
#include "core/text/regex.h"

namespace {

using bench::support::repeat_to;
using bench::support::set_bytes_per_iteration;

// Query-string-like text with a few non-ASCII characters, cut to `size` bytes.
std::string sample_text(std::size_t size) {
  static const std::string piece =
      "id=12345&name=J\xc3\xb6rg%20M\xc3\xbcller&q=select+items+from+the+shop;"
      "sort=price-desc&page=3&ua=Mozilla/5.0 (X11; Linux x86_64) ";
  return repeat_to(piece, size);
}

void set_per_byte(benchmark::State& state, std::size_t bytes) {
  set_bytes_per_iteration(state, bytes);
  state.counters["time/byte"] = benchmark::Counter(
      static_cast<double>(state.iterations() * bytes),
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_ComputeInputTraits(benchmark::State& state) {
  const std::string text = sample_text(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    auto traits = sorvane::evaluation::rules::compute_input_traits(text, 9);
    benchmark::DoNotOptimize(traits);
  }
  set_per_byte(state, text.size());
}
BENCHMARK(BM_ComputeInputTraits)->Arg(64)->Arg(1 << 20);

// A pattern with several translated Unicode classes, and one with \b at both ends; the
// sample text matches neither, so the whole text is scanned.
constexpr const char* kClassPattern =
    R"((?si)(?:(?:or|\|\|)[\s(]+(?:['"]{0,1}\w+['"]{0,1})[\s)]*(?:!*=|<>)+[\s(]*(?:['"]{0,1}\w+['"]{0,1})))";
constexpr const char* kBoundaryPattern =
    R"((?i)\b(?:begin|between|create|case|column_name|delete|drop|execute|group|insert|limit|like|merge|order|outfile|alter|current_user|session_user|syslogins|update|union|where|UTL_INADDR|UTL_HTTP|then|when|concat|exec|collate|ascii|strcmp|load_file|(pg_)?sleep|delay)\b)";

void regex_is_match(benchmark::State& state, const char* pattern) {
  const sorvane::text::Regex re(pattern);
  const std::string text = sample_text(static_cast<std::size_t>(state.range(0)));
  if (re.is_match(text)) state.SkipWithError("the sample text must not match");
  for (auto _ : state) benchmark::DoNotOptimize(re.is_match(text));
  set_per_byte(state, text.size());
}
void BM_RegexIsMatchClasses(benchmark::State& state) { regex_is_match(state, kClassPattern); }
void BM_RegexIsMatchBoundary(benchmark::State& state) { regex_is_match(state, kBoundaryPattern); }
BENCHMARK(BM_RegexIsMatchClasses)->Arg(64)->Arg(10 << 10);
BENCHMARK(BM_RegexIsMatchBoundary)->Arg(64)->Arg(10 << 10);

// 400 keywords of 4 to 12 letters and digits, searched case-insensitively.
std::vector<std::string> keywords() {
  std::mt19937 rng(1);
  const std::string alphabet = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::vector<std::string> out(400);
  for (auto& k : out) {
    k.resize(4 + rng() % 9);
    for (char& c : k) c = alphabet[rng() % alphabet.size()];
  }
  return out;
}

void BM_AhoCorasick(benchmark::State& state) {
  const auto words = keywords();
  const std::vector<std::string_view> views(words.begin(), words.end());
  const auto kind = state.range(0) ? sorvane::text::MatchKind::LeftmostLongest
                                   : sorvane::text::MatchKind::Standard;
  const sorvane::text::AhoCorasick ac(views, kind, true);
  const std::string text = sample_text(1 << 20);
  for (auto _ : state) benchmark::DoNotOptimize(ac.find_all(text));
  set_bytes_per_iteration(state, text.size());
}
BENCHMARK(BM_AhoCorasick)->ArgName("leftmost_longest")->Arg(0)->Arg(1);

}  // namespace
