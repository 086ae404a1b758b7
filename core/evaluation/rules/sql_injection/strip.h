// Cleaning of a matching window before the pattern table runs over it: SQL block
// comments and runs of ASCII separator controls become single spaces.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/text/regex.h"

namespace sorvane::evaluation::rules::sql_injection::strip {

// The block-comment opener "/*".
const text::Regex& COMMENT_RE();

// A run of the separator controls 0x1C..0x1F.
const text::Regex& ASCII_SEP_RE();

// `window` with every closed block comment replaced by one space, nested openers
// counted; none when the window stays as it is (nothing closed, or a closer whose
// opener lies inside an already removed comment).
std::optional<std::string> strip_comments(std::string_view window);

// `text` with every run of separator controls replaced by one space; none when it
// holds none.
std::optional<std::string> replace_separators(std::string_view text);

// Whether some window of `text` could be changed by the two steps above: the text holds a
// comment opener or a separator control.
bool may_clean(std::string_view text);

}  // namespace sorvane::evaluation::rules::sql_injection::strip
