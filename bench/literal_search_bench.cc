// The pattern tables on the header values that pass every character gate of a typical
// browser request, side by side: the set gate alone, and the set gate after the literal
// search of the rows' required literals.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "core/evaluation/match_engine/matches.h"
#include "core/evaluation/rules/cmd_injection/cmd_injection.h"
#include "core/evaluation/rules/input_traits.h"
#include "core/evaluation/rules/path_traversal/path_traversal.h"
#include "core/evaluation/rules/sql_injection/sql_injection.h"
#include "core/evaluation/rules/ssjs_injection/ssjs_injection.h"
#include "core/evaluation/rules/unsafe_file_upload/unsafe_file_upload.h"

namespace {

namespace me = sorvane::evaluation::match_engine;
namespace rules = sorvane::evaluation::rules;

constexpr std::string_view kValues[] = {
    "Mozilla/5.0 (X11; Linux x86_64; rv:120.0) Gecko/20100101 Firefox/120.0",
    "https://shop.example.com/catalog?page=1",
    "\"33a64df551425fcc55e4d42a148795d9f25f89d4\"",
    "session=6f1c2a9e8b7d; theme=dark; consent=yes",
};
constexpr std::uint8_t kHeaderValue = 9;

struct Table {
  std::vector<me::Pattern> patterns;
  me::Gate gate;
};

const std::vector<Table>& tables() {
  static const std::vector<Table> all = [] {
    std::vector<Table> out;
    for (std::span<const me::ProtoPattern> proto :
         {std::span<const me::ProtoPattern>(rules::unsafe_file_upload::UFU_PATTERNS),
          std::span<const me::ProtoPattern>(rules::path_traversal::PATH_PATTERNS),
          std::span<const me::ProtoPattern>(rules::cmd_injection::CMDI_PATTERNS),
          std::span<const me::ProtoPattern>(rules::ssjs_injection::SSJS_PATTERNS),
          std::span<const me::ProtoPattern>(rules::sql_injection::SQLI_PATTERNS)}) {
      Table t{me::compile_table_or_panic(proto), {}};
      t.gate = me::compile_gate(t.patterns);
      out.push_back(std::move(t));
    }
    return out;
  }();
  return all;
}

// The five pattern tables over the four values, each value's summary computed once.
void BM_PatternTablesOnBrowserHeaderValues(benchmark::State& state, bool use_literals) {
  std::vector<rules::InputTraits> traits;
  for (std::string_view v : kValues) traits.push_back(rules::compute_input_traits(v, kHeaderValue));
  for (auto _ : state) {
    std::size_t found = 0;
    for (const Table& t : tables()) {
      for (std::size_t i = 0; i < std::size(kValues); ++i) {
        found += me::get_matches(t.patterns, kValues[i], kHeaderValue, traits[i], t.gate,
                                 use_literals)
                     .has_value();
      }
    }
    benchmark::DoNotOptimize(found);
  }
}
BENCHMARK_CAPTURE(BM_PatternTablesOnBrowserHeaderValues, set_gate, false);
BENCHMARK_CAPTURE(BM_PatternTablesOnBrowserHeaderValues, literal_search_then_set_gate, true);

}  // namespace
