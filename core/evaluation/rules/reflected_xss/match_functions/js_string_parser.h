// How far a JavaScript string expression reaches: string literals, regular-expression
// literals read through ".source" and runs of digits, joined by "+", with whitespace and
// comments between them.
#pragma once

#include <cstddef>
#include <string_view>

#include "core/evaluation/rules/reflected_xss/match_functions/text_scan.h"

namespace sorvane::evaluation::rules::reflected_xss::match_functions::js_string_parser {

enum class JsStringState {
  ExpectValue,
  InString,
  InRegex,
  InNumber,
  InBlockComment,
  InLineComment,
  AfterValue,
  AfterRegex,
  AfterPlus,
  Stop,
};

// The byte offset just after the last complete token of the expression that starts
// `text`; 0 when no token was completed. Always a character boundary.
std::size_t parse_js_string_expression(std::string_view text);

// The same for the expression that starts at byte `start` of the scanned text; the result
// counts from `start`.
std::size_t parse_js_string_expression(TextScan& scan, std::size_t start);

}  // namespace sorvane::evaluation::rules::reflected_xss::match_functions::js_string_parser
