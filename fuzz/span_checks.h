// Properties shared by the sink checks that answer "the first token boundary strictly
// inside the input's span".
#pragma once

#include <cstddef>
#include <limits>
#include <string_view>

#include "core/text/utf8.h"
#include "fuzz/fuzz_input.h"

namespace quenlith_fuzz {

inline std::size_t saturating_end(std::size_t index, std::size_t length) {
  const std::size_t max = std::numeric_limits<std::size_t>::max();
  return length > max - index ? max : index + length;
}

// `result` (with start_index, end_index, boundary_overrun_index, input_boundary_index) for
// the span (index, length) of `text`: the span as given, the end saturated, the boundary
// strictly inside it and on a character of the text, the boundary before it not after it.
template <class Result>
void check_span_result(const Result& result, std::size_t index, std::size_t length,
                       std::string_view text) {
  FUZZ_CHECK(result.start_index == index);
  FUZZ_CHECK(result.end_index == saturating_end(index, length));
  FUZZ_CHECK(index < result.boundary_overrun_index &&
             result.boundary_overrun_index < result.end_index);
  FUZZ_CHECK(result.boundary_overrun_index < sorvane::text::char_count(text));
  FUZZ_CHECK(result.input_boundary_index <= result.boundary_overrun_index);
}

}  // namespace quenlith_fuzz
