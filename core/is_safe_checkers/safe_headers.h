// Known request headers and the checker that declares a value of each safe.
#pragma once

#include <string_view>
#include <unordered_map>

namespace sorvane::is_safe_checkers::safe_headers {

// True when the value is well formed for its header.
using ValueChecker = bool (*)(std::string_view value);

// Character-class checkers: true when every character of the value is in the class (so
// also for the empty value).
bool all_digits(std::string_view value);           // content-length
bool all_host_chars(std::string_view value);       // host: letters, digits, '.', ':', '-'
bool all_base64_or_space(std::string_view value);  // authorization: letters, digits, "+/=", SPACE
bool all_alnum_or_dash(std::string_view value);    // pragma, connection

// Lower-case header name -> value checker; built once on first use, read-only afterwards.
const std::unordered_map<std::string_view, ValueChecker>& HASHED_KNOWN_HEADERS();

// The longest name in HASHED_KNOWN_HEADERS; longer names are not known headers.
inline constexpr std::size_t kLongestKnownName = 19;

}  // namespace sorvane::is_safe_checkers::safe_headers
