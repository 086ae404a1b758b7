// Inputs and counters shared by the benchmarks.
#pragma once

#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace bench::support {

// `unit` repeated, the last copy cut so that the text has exactly `size` bytes.
inline std::string repeat_to(std::string_view unit, std::size_t size) {
  std::string text;
  text.reserve(size + unit.size());
  while (text.size() < size) text.append(unit);
  text.resize(size);
  return text;
}

// As many whole copies of `unit` as fit in `size` bytes.
inline std::string repeat_whole(std::string_view unit, std::size_t size) {
  std::string text;
  while (text.size() + unit.size() <= size) text += unit;
  return text;
}

// Reports `bytes` processed by every iteration of `state`.
inline void set_bytes_per_iteration(benchmark::State& state, std::size_t bytes) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

}  // namespace bench::support
