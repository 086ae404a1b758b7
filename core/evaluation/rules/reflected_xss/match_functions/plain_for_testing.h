// Test helpers: the match functions' steps as they read, each expression searched on the
// text after the hit and the argument text copied, for comparing with the shared searches.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/evaluation/rules/reflected_xss/match_functions/js_context.h"
#include "core/evaluation/rules/reflected_xss/match_functions/js_string_parser.h"
#include "core/evaluation/rules/reflected_xss/match_functions/match_functions.h"
#include "core/text/unicode.h"
#include "core/text/utf8.h"

namespace sorvane::evaluation::rules::reflected_xss::match_functions {

// The starts of the non-overlapping occurrences of `keyword`, exact case.
inline std::vector<std::size_t> hits_of(std::string_view text, std::string_view keyword) {
  std::vector<std::size_t> hits;
  for (std::size_t p = text.find(keyword); p != std::string_view::npos;
       p = text.find(keyword, p + keyword.size())) {
    hits.push_back(p);
  }
  return hits;
}

// What follows the name, as written: find the opener and the closer, copy the argument
// text, join its quoted pieces and test it.
inline float plain_call_score(std::string_view text, std::size_t end) {
  std::size_t pos = end;
  char opener = 0;
  while (opener == 0) {
    if (pos >= text.size()) return 0;
    if (text.compare(pos, 2, "/*") == 0) {
      const std::size_t close = text.find("*/", pos + 2);
      if (close == std::string_view::npos) return 0;
      pos = close + 2;
      continue;
    }
    std::size_t next = pos;
    const char32_t c = text::decode_at(text, next);
    if (text::is_white_space(c) || c == 0xFEFF) {
      pos = next;
    } else if (c == '?' && next < text.size() && text[next] == '.') {
      pos = next + 1;
    } else if (c == '(' || c == '`') {
      opener = static_cast<char>(c);
      pos = next;
    } else {
      return 0;
    }
  }
  const std::size_t close = text.find(opener == '(' ? ')' : '`', pos);
  if (close == std::string_view::npos) return 0;
  std::string args(text.substr(pos, close - pos));
  if (args.find('+') != std::string::npos) args = js_context::concat_pattern().replace_all(args, "");
  if (args.find_first_of("'\"`") != std::string::npos) return 90;
  return js_context::multiple_words().is_match(args) ? 0 : 90;
}

// The object test as it reads: NORMAL_METHOD_CALL's capture looked up in the object's list,
// then the bracket form with its two expressions.
inline float plain_object_method_call(std::string_view keyword, std::string_view text, std::size_t end) {
  const std::string_view rest = text.substr(end);
  if (auto method = normal_method_call().anchored_capture1(rest)) {
    const auto it = js_object_methods().find(keyword);
    if (it != js_object_methods().end() &&
        std::find(it->second.begin(), it->second.end(), *method) != it->second.end()) {
      return 90;
    }
  }
  const auto open = prop_method_call_start().find(rest);
  if (!open) return 0;
  const std::string_view inner = rest.substr(open->end);
  const std::size_t n = js_string_parser::parse_js_string_expression(inner);
  if (n == 0) return 0;
  return prop_method_call_end().is_match(inner.substr(n)) ? 90 : 0;
}

}  // namespace sorvane::evaluation::rules::reflected_xss::match_functions
