// Inputs and counters shared by the benchmarks.
#pragma once

#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

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

// `count` distinct short values: `prefix`, the value's number, `suffix` (an attacker varies
// them, so no value repeats).
inline std::vector<std::string> distinct_texts(std::string_view prefix, std::string_view suffix,
                                               std::size_t count) {
  std::vector<std::string> texts;
  texts.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    texts.push_back(std::string(prefix).append(std::to_string(i)).append(suffix));
  }
  return texts;
}

// Reports `bytes` processed by every iteration of `state`.
inline void set_bytes_per_iteration(benchmark::State& state, std::size_t bytes) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

}  // namespace bench::support
