// Whether a function-name hit is a call in script context rather than a word of prose.
#pragma once

#include <cstddef>
#include <string_view>

#include "core/evaluation/rules/reflected_xss/match_functions/text_scan.h"
#include "core/text/regex.h"

namespace sorvane::evaluation::rules::reflected_xss::match_functions::js_context {

// 90 when the name stands on its own (nothing alphanumeric glued before it, no word or a
// JavaScript keyword before it on its line), is followed by a call opened by "(" or a
// backtick, and the call's argument text is a string literal or not two plain words.
float is_function_in_js_context(std::string_view keyword, std::string_view text,
                                std::size_t match_start, std::size_t match_end);
// The same, as the matcher calls it.
float is_function_in_js_context(std::string_view keyword, TextScan& scan,
                                std::size_t match_start, std::size_t match_end);

// A closing quote, "+", an opening quote, with whitespace and at most one block comment on
// either side of the "+".
const text::Regex& concat_pattern();
// Two runs of ASCII letters separated by whitespace.
const text::Regex& multiple_words();

}  // namespace sorvane::evaluation::rules::reflected_xss::match_functions::js_context
