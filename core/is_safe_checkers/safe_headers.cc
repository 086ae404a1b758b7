#include "core/is_safe_checkers/safe_headers.h"

#include "core/is_safe_checkers/headers/accept.h"
#include "core/is_safe_checkers/headers/accept_encoding_or_language.h"
#include "core/is_safe_checkers/headers/chars.h"
#include "core/is_safe_checkers/headers/content_type.h"
#include "core/is_safe_checkers/headers/if_none_match.h"
#include "core/is_safe_checkers/headers/if_or_un_modified.h"
#include "core/is_safe_checkers/headers/origin.h"

namespace sorvane::is_safe_checkers::safe_headers {
namespace {

using headers::all_chars;
using headers::is_alnum;
using headers::is_digit;

std::unordered_map<std::string_view, ValueChecker> build() {
  return {
      {"accept-language", headers::accept_encoding_or_language::is_safe},
      {"content-language", headers::accept_encoding_or_language::is_safe},
      {"accept-encoding", headers::accept_encoding_or_language::is_safe},
      {"content-encoding", headers::accept_encoding_or_language::is_safe},
      {"if-modified-since", headers::if_or_un_modified::is_safe},
      {"if-unmodified-since", headers::if_or_un_modified::is_safe},
      {"content-type", headers::content_type::is_safe},
      {"content-length", all_digits},
      {"origin", headers::origin::is_safe},
      {"host", all_host_chars},
      {"accept", headers::accept::is_safe},
      {"authorization", all_base64_or_space},
      {"if-none-match", headers::if_none_match::is_safe},
      {"pragma", all_alnum_or_dash},
      {"connection", all_alnum_or_dash},
  };
}

}  // namespace

bool all_digits(std::string_view value) { return all_chars(value, is_digit); }

bool all_host_chars(std::string_view value) {
  return all_chars(value, headers::is_host_char);
}

bool all_base64_or_space(std::string_view value) {
  return all_chars(value, [](char c) {
    return is_alnum(c) || c == '+' || c == '/' || c == '=' || c == ' ';
  });
}

bool all_alnum_or_dash(std::string_view value) {
  return all_chars(value, [](char c) { return is_alnum(c) || c == '-'; });
}

const std::unordered_map<std::string_view, ValueChecker>& HASHED_KNOWN_HEADERS() {
  static const std::unordered_map<std::string_view, ValueChecker> map = build();
  return map;
}

}  // namespace sorvane::is_safe_checkers::safe_headers
