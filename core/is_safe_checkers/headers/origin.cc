#include "core/is_safe_checkers/headers/origin.h"

#include "core/is_safe_checkers/headers/chars.h"

namespace sorvane::is_safe_checkers::headers::origin {

bool is_safe(std::string_view value) {
  std::string_view host;
  if (value.starts_with("http://")) host = value.substr(7);
  else if (value.starts_with("https://")) host = value.substr(8);
  else return false;
  return all_chars(host, is_host_char);
}

}  // namespace sorvane::is_safe_checkers::headers::origin
