// The MongoDB operator-key test.
#pragma once

#include <string_view>

namespace sorvane::evaluation::rules::mongo {

// True when `key` is exactly one of the MongoDB operator or server-side-code names.
bool is_query_type(std::string_view key);

}  // namespace sorvane::evaluation::rules::mongo
