// Character classes, the all-of test and the q-value digits shared by the header value
// checkers. The checkers walk bytes: a non-ASCII byte is never a letter or a digit, so a
// multi-byte character fails exactly where a non-ASCII character would.
#pragma once

#include <cstdint>
#include <string_view>

namespace sorvane::is_safe_checkers::headers {

constexpr bool is_letter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
constexpr bool is_digit(char c) { return c >= '0' && c <= '9'; }
constexpr bool is_alnum(char c) { return is_letter(c) || is_digit(c); }
// Letters, digits, '.', ':' and '-': a host name with its port.
constexpr bool is_host_char(char c) { return is_alnum(c) || c == '.' || c == ':' || c == '-'; }
// Letters, '+' and '-': the first character of a media type or subtype.
constexpr bool is_type_start(char c) { return is_letter(c) || c == '+' || c == '-'; }
// Letters, digits, '+' and '-': the tail of a media type or subtype.
constexpr bool is_type_char(char c) { return is_alnum(c) || c == '+' || c == '-'; }

// Whether every byte of `value` is in the class `pred` (so also for the empty value).
template <class Pred>
constexpr bool all_chars(std::string_view value, Pred pred) {
  for (char c : value) {
    if (!pred(c)) return false;
  }
  return true;
}

// A q-value after its integer part: the last character read and how many characters of
// the fraction have been read (1 for the '.', then one per digit).
struct QValue {
  char last;
  std::uint8_t count;
};

// The fraction of a q-value: '.', then at most three digits; after '1' only zeros, after
// '0' any digit (a digit from 2 to 9 ends the fraction). False: no transition.
constexpr bool advance_fraction(QValue& q, char c) {
  if (q.count == 0) {
    if (c != '.') return false;
    q.count = 1;
    return true;
  }
  if (q.count > 3) return false;
  if (q.last == '1' && c == '0') {
    ++q.count;
    return true;
  }
  if (q.last == '0' && is_digit(c)) {
    q.last = c;
    ++q.count;
    return true;
  }
  return false;
}

}  // namespace sorvane::is_safe_checkers::headers
