// Value checker for the Accept-Encoding, Accept-Language, Content-Encoding and
// Content-Language headers.
#pragma once

#include <string_view>

namespace sorvane::is_safe_checkers::headers::accept_encoding_or_language {

// True when the value has one of the header's usual well-formed shapes.
bool is_safe(std::string_view value);

}  // namespace sorvane::is_safe_checkers::headers::accept_encoding_or_language
