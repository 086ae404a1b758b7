#include "core/is_safe_checkers/headers/if_none_match.h"

#include "core/is_safe_checkers/headers/chars.h"

namespace sorvane::is_safe_checkers::headers::if_none_match {

bool is_safe(std::string_view value) {
  if (value == "*") return true;
  constexpr std::string_view kWeakPrefix = "W/\"";
  if (!value.starts_with(kWeakPrefix)) return false;
  return all_chars(value.substr(kWeakPrefix.size()),
                   [](char c) { return is_digit(c) || c == '"' || c == '-'; });
}

}  // namespace sorvane::is_safe_checkers::headers::if_none_match
