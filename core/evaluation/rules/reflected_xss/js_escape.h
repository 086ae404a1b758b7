// Decoding of JavaScript escapes that spell the lower-case letters a to z.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace sorvane::evaluation::rules::reflected_xss::js_escape {

// The letter whose code is the hex number `first` `second` ("61" to "7a"); a first digit
// other than '6' is read as '7'. A pair outside that range is a fatal internal error.
char get_char_for_digits(char first, char second);

// Decodes, in one left-to-right pass, every "\xHH", "\u00HH" and "\u{0...HH}" escape of a
// letter a to z. Returns none when nothing was decoded.
std::optional<std::string> unescape_js(std::string_view text);

}  // namespace sorvane::evaluation::rules::reflected_xss::js_escape
