// Number syntax of the context-free SQL check: decimal floating-point numbers and
// signed 64-bit integers in base 2 or 16.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace sorvane::evaluation::rules::sql_injection::context_free::number_parser {

// Whether `text` is, in full, an optional sign, then digits optionally followed by "."
// and further digits, or "." followed by digits, then an optional exponent ("e" or "E",
// an optional sign, digits).
bool is_decimal_syntax(std::string_view text);

// The correctly rounded value of a decimal number of the syntax above; values too large
// for a double become infinity and values too small become zero. Absent for any other text.
std::optional<double> parse_decimal(std::string_view text);

// A signed 64-bit integer in base 2 or 16: an optional "+" or "-", then at least one digit
// of the base (hexadecimal digits in either case). Absent for any other text and for
// values outside the signed 64-bit range.
std::optional<std::int64_t> parse_integer(std::string_view text, unsigned radix);

}  // namespace sorvane::evaluation::rules::sql_injection::context_free::number_parser
