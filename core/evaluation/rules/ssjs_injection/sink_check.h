// Whether user input inside a piece of server-side JavaScript breaks out of its place.
#pragma once

#include <cstddef>
#include <string_view>

namespace sorvane::evaluation::rules::ssjs_injection::sink_check {

// Scans `code` up to the end of the span [input_index, input_index + input_length)
// (byte offsets) and answers true when the input closes a string literal opened before
// it, holds a complete parenthesised group, or, after an assignment, a complete
// parenthesis pair inside a string literal. A span covering the whole code is true.
// Any span gives an answer; bytes outside the code are never read.
bool check_js_code(std::string_view code, std::size_t input_index, std::size_t input_length);

}  // namespace sorvane::evaluation::rules::ssjs_injection::sink_check
