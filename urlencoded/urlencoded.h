// Form-urlencoded decoder: query strings and URL-encoded bodies into name/value pairs.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace sorvane::urlencoded {

// Decodes `text` into a flat list key, value, key, value, ... in input order (its length is
// always even). '&' separates pairs, the first '=' of a pair separates key and value, '+' is a
// space and '%hh' is the single character U+00hh (escapes are not combined into multi-byte
// characters). A malformed escape stays in the text literally. A pair whose key and value are
// both empty adds nothing. Never fails.
std::vector<std::string> decode(std::string_view text);

}  // namespace sorvane::urlencoded
