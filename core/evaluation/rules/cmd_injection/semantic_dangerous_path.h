// Whether a shell command names a sensitive system file once shell syntax is removed.
#pragma once

#include <string_view>

namespace sorvane::evaluation::rules::cmd_injection::semantic_dangerous_path {

// Removes variable references, quotes and backslashes, repeated slashes and "./" steps,
// then looks for "/etc/passwd", "/etc/shadow" or "/etc/hosts" (case-sensitive). A ":"
// inside a braced variable reference (a modifier such as a substring) answers true.
bool contains_dangerous_path(std::string_view command);

}  // namespace sorvane::evaluation::rules::cmd_injection::semantic_dangerous_path
