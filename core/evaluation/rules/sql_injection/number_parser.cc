#include "core/evaluation/rules/sql_injection/number_parser.h"

#include <charconv>
#include <limits>
#include <system_error>

// Standard libraries without the floating-point from_chars (libc++ before 20) parse with the
// C library's strtod_l under the "C" locale instead.
#if defined(__cpp_lib_to_chars) && __cpp_lib_to_chars >= 201611L
#define SORVANE_FLOAT_FROM_CHARS 1
#else
#include <locale.h>
#include <stdlib.h>
#include <string>
#if defined(__APPLE__)
#include <xlocale.h>
#endif
#endif

namespace sorvane::evaluation::rules::sql_injection::context_free::number_parser {

namespace {

constexpr bool is_digit(char c) { return c >= '0' && c <= '9'; }

std::size_t skip_digits(std::string_view text, std::size_t i) {
  while (i < text.size() && is_digit(text[i])) ++i;
  return i;
}

#if SORVANE_FLOAT_FROM_CHARS
// Whether a number whose value the double range cannot hold is large (as opposed to
// small): the sign of its decimal magnitude, from its digits and exponent.
bool overflows(std::string_view text) {
  std::size_t i = text.empty() || (text[0] != '+' && text[0] != '-') ? 0 : 1;
  long long magnitude = 0;  // position of the first significant digit relative to "."
  bool seen_significant = false;
  long long leading_fraction_zeros = 0;
  for (; i < text.size() && is_digit(text[i]); ++i) {
    if (text[i] != '0') seen_significant = true;
    if (seen_significant) ++magnitude;
  }
  if (i < text.size() && text[i] == '.') {
    for (++i; i < text.size() && is_digit(text[i]); ++i) {
      if (seen_significant) continue;
      if (text[i] != '0') seen_significant = true;
      else ++leading_fraction_zeros;
    }
  }
  long long exponent = 0;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    const bool negative = i < text.size() && text[i] == '-';
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
    constexpr long long kCap = 1LL << 40;  // far beyond any double exponent
    for (; i < text.size(); ++i) {
      if (exponent < kCap) exponent = exponent * 10 + (text[i] - '0');
    }
    if (negative) exponent = -exponent;
  }
  const long long position = magnitude > 0 ? magnitude : -leading_fraction_zeros;
  return position + exponent > 0;
}
#else
// strtod_l rounds correctly, and its results out of the double range are the same as
// above: infinity for values too large, zero for values too small (with their sign).
double parse_c_locale(std::string_view digits) {
  static const locale_t c_locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
  const std::string text(digits);
  return c_locale ? strtod_l(text.c_str(), nullptr, c_locale) : strtod(text.c_str(), nullptr);
}
#endif

}  // namespace

bool is_decimal_syntax(std::string_view text) {
  std::size_t i = 0;
  const std::size_t n = text.size();
  if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
  const std::size_t int_start = i;
  i = skip_digits(text, i);
  const bool has_int = i > int_start;
  bool has_fraction = false;
  if (i < n && text[i] == '.') {
    const std::size_t frac_start = ++i;
    i = skip_digits(text, i);
    has_fraction = i > frac_start;
  }
  if (!has_int && !has_fraction) return false;
  if (i < n && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
    const std::size_t exp_start = i;
    i = skip_digits(text, i);
    if (i == exp_start) return false;
  }
  return i == n;
}

std::optional<double> parse_decimal(std::string_view text) {
  if (!is_decimal_syntax(text)) return std::nullopt;
  // The converter takes no leading "+".
  std::string_view digits = text[0] == '+' ? text.substr(1) : text;
#if !SORVANE_FLOAT_FROM_CHARS
  return parse_c_locale(digits);
#else
  double value = 0;
  const char* end = digits.data() + digits.size();
  const auto [ptr, ec] = std::from_chars(digits.data(), end, value, std::chars_format::general);
  const bool negative = digits[0] == '-';
  if (ec == std::errc::result_out_of_range) {
    value = overflows(digits) ? std::numeric_limits<double>::infinity() : 0.0;
    return negative ? -value : value;
  }
  if (ec != std::errc() || ptr != end) return std::nullopt;
  return value;
#endif
}

std::optional<std::int64_t> parse_integer(std::string_view text, unsigned radix) {
  if (radix != 2 && radix != 16) return std::nullopt;
  std::size_t i = 0;
  bool negative = false;
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
    negative = text[0] == '-';
    i = 1;
  }
  if (i == text.size()) return std::nullopt;
  // The magnitude is bounded by 2^63, the magnitude of the smallest value.
  constexpr std::uint64_t kLimit = std::uint64_t{1} << 63;
  std::uint64_t magnitude = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    unsigned digit;
    if (c >= '0' && c <= '9') digit = static_cast<unsigned>(c - '0');
    else if (c >= 'a' && c <= 'f') digit = static_cast<unsigned>(c - 'a' + 10);
    else if (c >= 'A' && c <= 'F') digit = static_cast<unsigned>(c - 'A' + 10);
    else return std::nullopt;
    if (digit >= radix) return std::nullopt;
    if (magnitude > (kLimit - digit) / radix) return std::nullopt;
    magnitude = magnitude * radix + digit;
  }
  if (negative) {
    return magnitude == kLimit ? std::numeric_limits<std::int64_t>::min()
                               : -static_cast<std::int64_t>(magnitude);
  }
  if (magnitude == kLimit) return std::nullopt;
  return static_cast<std::int64_t>(magnitude);
}

}  // namespace sorvane::evaluation::rules::sql_injection::context_free::number_parser
