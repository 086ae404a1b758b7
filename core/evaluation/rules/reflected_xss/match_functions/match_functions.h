// Match functions that decide a keyword hit of the reflected-XSS matcher by looking at the
// decoded input around it.
#pragma once

#include <span>
#include <string_view>
#include <unordered_map>

#include "core/evaluation/rules/reflected_xss/match_functions/match_fn.h"
#include "core/evaluation/rules/reflected_xss/match_functions/text_scan.h"
#include "core/text/regex.h"

namespace sorvane::evaluation::rules::reflected_xss::match_functions {

// The keyword names a tag: "<" (after optional whitespace) before it, ">" or whitespace
// after it.
float is_tag_name(std::string_view keyword, std::string_view text, std::size_t match_start,
                  std::size_t match_end);

// The hit spells `keyword` with exactly its letter case.
float ensure_case_sensitive(std::string_view keyword, std::string_view text,
                            std::size_t match_start, std::size_t match_end);

// The keyword, a browser object, is followed by a call of one of its methods, or by a
// bracket access whose property is a string expression.
float is_object_method_call(std::string_view keyword, std::string_view text,
                            std::size_t match_start, std::size_t match_end);

// The same, as the matcher calls them.
float is_tag_name(std::string_view keyword, TextScan& scan, std::size_t match_start,
                  std::size_t match_end);
float ensure_case_sensitive(std::string_view keyword, TextScan& scan, std::size_t match_start,
                            std::size_t match_end);
float is_object_method_call(std::string_view keyword, TextScan& scan, std::size_t match_start,
                            std::size_t match_end);

using ObjectMethods = std::unordered_map<std::string_view, std::span<const std::string_view>>;

// Browser object name -> the method names that count as a call on it (exact case).
const ObjectMethods& js_object_methods();

// "^\s*\.\s*(\w{3,})\s*[(`]": a method call; group 1 is the method name.
const text::Regex& normal_method_call();
// "^\s*\[\s*": the opening bracket of a property access.
const text::Regex& prop_method_call_start();
// "^\s*\]": the closing bracket.
const text::Regex& prop_method_call_end();

}  // namespace sorvane::evaluation::rules::reflected_xss::match_functions
