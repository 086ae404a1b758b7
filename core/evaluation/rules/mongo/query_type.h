// MongoDB operator and server-side-code key names.
#pragma once

#include <string_view>

namespace sorvane::evaluation::rules::mongo {

// True when `key` is exactly (case-sensitive) one of the MongoDB operator or
// server-side-code names.
bool is_query_type(std::string_view key);

}  // namespace sorvane::evaluation::rules::mongo
