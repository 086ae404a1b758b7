// Value checker for the If-Modified-Since and If-Unmodified-Since headers (HTTP dates).
#pragma once

#include <string_view>

namespace sorvane::is_safe_checkers::headers::if_or_un_modified {

// True when the value has one of the header's usual well-formed shapes.
bool is_safe(std::string_view value);

}  // namespace sorvane::is_safe_checkers::headers::if_or_un_modified
