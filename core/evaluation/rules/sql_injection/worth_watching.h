// The SQL rule's cheap pre-screen: does an input look enough like SQL to be watched?
#pragma once

#include <string_view>

#include "core/evaluation/rules/input_traits.h"
#include "core/text/aho_corasick.h"
#include "core/text/regex.h"

namespace sorvane::evaluation::rules::sql_injection::worth_watching {

// Each built once on first use and shared read-only.
const text::Regex& COLOR_CODE_PATTERN();
const text::Regex& SQL_KEYWORDS_REGEX();
const text::Regex& BINARY_CLAUSE_PATTERN();
// Comment openers "#", "--", "//", "/*".
const text::AhoCorasick& OPENING_COMMENTS_BUILDER();
// The openers plus "*/" and "@@".
const text::AhoCorasick& SQL_COMMENTS_BUILDER();

// A 36-byte UUID (8-4-4-4-12 hexadecimal digits), bare or wrapped in braces.
bool is_uuid(std::string_view text);

bool is_worth_watching(std::string_view text, const InputTraits& traits);

}  // namespace sorvane::evaluation::rules::sql_injection::worth_watching
