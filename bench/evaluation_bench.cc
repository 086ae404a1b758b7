// Input and header evaluation: the fast paths and the fixed cost of one evaluation.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "core/evaluation/rules/registry.h"
#include "core/evaluation/input_analysis/header.h"
#include "core/evaluation/input_analysis/input.h"

namespace {

using sorvane::evaluation::InputType;
using sorvane::evaluation::input_analysis::header::check_header;
using sorvane::evaluation::input_analysis::input::check_input;
using sorvane::evaluation::rules::RuleType;

const std::vector<RuleType> kAllRules = {1, 2, 4, 8, 16, 32, 64, 128, 256, 512};

void BM_CheckHeaderSafeValue(benchmark::State& state) {
  for (auto _ : state) {
    benchmark::DoNotOptimize(check_header("Accept-Encoding", "gzip, deflate", kAllRules, false));
  }
}
BENCHMARK(BM_CheckHeaderSafeValue);

// A well-formed value of a known header: accepted by its checker, no traits computed.
void BM_CheckHeaderKnownHeader(benchmark::State& state) {
  for (auto _ : state) {
    benchmark::DoNotOptimize(check_header(
        "Content-Type", "multipart/form-data; boundary=----Abc123", kAllRules, false));
  }
}
BENCHMARK(BM_CheckHeaderKnownHeader);

void BM_CheckHeaderLongKnownName(benchmark::State& state) {
  for (auto _ : state) {
    benchmark::DoNotOptimize(check_header("If-Unmodified-Since",
                                          "Sun, 06 Nov 1994 08:49:37 GMT", kAllRules, false));
  }
}
BENCHMARK(BM_CheckHeaderLongKnownName);

void BM_CheckInputNoRules64Bytes(benchmark::State& state) {
  sorvane::evaluation::rules::CONFIG();
  const std::string text = "The quick brown fox jumps over the lazy dog; 0123456789 (ab=cd)!";
  const std::vector<RuleType> none;
  for (auto _ : state) {
    benchmark::DoNotOptimize(check_input(text, InputType::ParameterValue, none, false));
  }
}
BENCHMARK(BM_CheckInputNoRules64Bytes);

void BM_CheckHeaderUserAgentBotSearch(benchmark::State& state) {
  sorvane::evaluation::rules::CONFIG();
  const std::string ua =
      "Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) "
      "Chrome/120.0.0.0 Safari/537.36";
  const std::vector<RuleType> bot = {64};
  for (auto _ : state) benchmark::DoNotOptimize(check_header("User-Agent", ua, bot, false));
}
BENCHMARK(BM_CheckHeaderUserAgentBotSearch);

}  // namespace
