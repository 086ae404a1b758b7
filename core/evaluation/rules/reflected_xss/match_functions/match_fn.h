// The contract shared by the match functions of the reflected-XSS matcher.
#pragma once

#include <cstddef>
#include <string_view>

namespace sorvane::evaluation::rules::reflected_xss::match_functions {

class TextScan;

// Scores one keyword hit: `keyword` as spelled in the pattern table, `text` the decoded
// input, and the hit's byte range [match_start, match_end). Returns 90 or 0.
using MatchFn = float (*)(std::string_view keyword, std::string_view text,
                          std::size_t match_start, std::size_t match_end);

// The same contract as the matcher calls it: the text comes with the searches shared by
// all hits of one evaluation (see text_scan.h).
using ScanMatchFn = float (*)(std::string_view keyword, TextScan& scan, std::size_t match_start,
                              std::size_t match_end);

inline constexpr float kMatch = 90.0f;
inline constexpr float kNoMatch = 0.0f;

// A hit range that lies outside `text` or splits a character is a violated invariant of
// the caller: fatal internal error.
void check_hit(std::string_view text, std::size_t match_start, std::size_t match_end);

}  // namespace sorvane::evaluation::rules::reflected_xss::match_functions
