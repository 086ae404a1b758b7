// Decoding of HTML character references: a small table of named references and numeric
// references in decimal or hexadecimal.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace sorvane::evaluation::rules::reflected_xss::html_unescape {

// Decodes every recognised reference in one left-to-right pass; an unrecognised or
// incomplete one is copied unchanged. Returns none when nothing was decoded.
std::optional<std::string> unescape_html(std::string_view text);

}  // namespace sorvane::evaluation::rules::reflected_xss::html_unescape
