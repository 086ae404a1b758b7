// Whether a file path names an alternate data stream or a sensitive system file.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace sorvane::evaluation::rules::path_traversal::semantic_file_security_bypass {

// Resolves "." and ".." steps, turns backslashes into "/", collapses separator runs and
// drops leading whitespace and trailing dots, slashes and whitespace. None when a parent
// step has nothing left to remove (the path climbs above its start).
std::optional<std::string> normalize_path(std::string_view path);

// True for an alternate data stream marker ("::$DATA", "::$Index") in any path; for
// custom code also when the normalised path contains a sensitive system file name.
bool is_dangerous_path(std::string_view path, bool is_custom_code);

}  // namespace sorvane::evaluation::rules::path_traversal::semantic_file_security_bypass
