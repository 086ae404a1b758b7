// Value checker for the Origin header.
#pragma once

#include <string_view>

namespace sorvane::is_safe_checkers::headers::origin {

// True when the value has one of the header's usual well-formed shapes.
bool is_safe(std::string_view value);

}  // namespace sorvane::is_safe_checkers::headers::origin
