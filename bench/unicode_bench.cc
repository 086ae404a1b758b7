// Unicode classification of non-ASCII characters: the lookup table behind the predicates of
// core/text/unicode.h, beside a binary search over the same ranges and, when the benchmarks
// are built with ICU, ICU's property functions (what the module once called).
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "core/text/unicode.h"

#if QUENLITH_BENCH_WITH_ICU
#include <unicode/uchar.h>
#endif

namespace {

using namespace sorvane::text;

// 4096 letters, digits, marks, symbols and unassigned values from seven scripts, shuffled.
const std::vector<char32_t>& mixed_scripts() {
  static const std::vector<char32_t> text = [] {
    const char32_t bases[] = {0x00E0, 0x0410, 0x0627, 0x0905, 0x3041, 0x4E00, 0x1F600};
    std::mt19937 rng(1);
    std::vector<char32_t> out;
    for (int i = 0; i < 4096; ++i) out.push_back(bases[rng() % std::size(bases)] + rng() % 48);
    return out;
  }();
  return text;
}

template <typename Classify>
void classify(benchmark::State& state, Classify is_member) {
  const auto& text = mixed_scripts();
  for (auto _ : state) {
    int members = 0;
    for (char32_t c : text) members += is_member(c) ? 1 : 0;
    benchmark::DoNotOptimize(members);
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void BM_UnicodeWordCharLookup(benchmark::State& state) { classify(state, is_word_char); }
void BM_UnicodeWordCharRangeSearch(benchmark::State& state) {
  classify(state, [](char32_t c) { return in_ranges(word_char_ranges(), c); });
}
void BM_UnicodeAlphanumericLookup(benchmark::State& state) { classify(state, is_alphanumeric); }
BENCHMARK(BM_UnicodeWordCharLookup);
BENCHMARK(BM_UnicodeWordCharRangeSearch);
BENCHMARK(BM_UnicodeAlphanumericLookup);

#if QUENLITH_BENCH_WITH_ICU
void BM_UnicodeWordCharIcu(benchmark::State& state) {
  classify(state, [](char32_t c) {
    const auto ch = static_cast<UChar32>(c);
    return u_hasBinaryProperty(ch, UCHAR_ALPHABETIC) || u_hasBinaryProperty(ch, UCHAR_JOIN_CONTROL) ||
           (U_GET_GC_MASK(ch) & (U_GC_M_MASK | U_GC_ND_MASK | U_GC_PC_MASK)) != 0;
  });
}
void BM_UnicodeAlphanumericIcu(benchmark::State& state) {
  classify(state, [](char32_t c) {
    const auto ch = static_cast<UChar32>(c);
    return u_hasBinaryProperty(ch, UCHAR_ALPHABETIC) ||
           (U_GET_GC_MASK(ch) & (U_GC_ND_MASK | U_GC_NL_MASK | U_GC_NO_MASK)) != 0;
  });
}
BENCHMARK(BM_UnicodeWordCharIcu);
BENCHMARK(BM_UnicodeAlphanumericIcu);
#endif

}  // namespace
