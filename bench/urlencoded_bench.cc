// Throughput of the form-urlencoded decoder.
#include <benchmark/benchmark.h>

#include <string>

#include "bench/support/text.h"
#include "urlencoded/urlencoded.h"

namespace {

using bench::support::set_bytes_per_iteration;

constexpr std::size_t kBodySize = 100 * 1024;

// A form body of many fields with spaces, escapes and non-ASCII text.
std::string form_body() {
  std::string body;
  for (int i = 0; body.size() < kBodySize - 100; ++i) {
    if (i > 0) body += '&';
    body += "field_" + std::to_string(i) + "=Hello+World%21+caf%C3%A9+" + std::to_string(i * 7) +
            "%2C+ok";
  }
  return body;
}

void BM_UrlencodedDecodeForm(benchmark::State& state) {
  const std::string body = form_body();
  for (auto _ : state) {
    auto pairs = sorvane::urlencoded::decode(body);
    benchmark::DoNotOptimize(pairs);
  }
  set_bytes_per_iteration(state, body.size());
}

void BM_UrlencodedDecodePercents(benchmark::State& state) {
  const std::string body(kBodySize, '%');
  for (auto _ : state) {
    auto pairs = sorvane::urlencoded::decode(body);
    benchmark::DoNotOptimize(pairs);
  }
  set_bytes_per_iteration(state, body.size());
}

BENCHMARK(BM_UrlencodedDecodeForm);
BENCHMARK(BM_UrlencodedDecodePercents);

}  // namespace
