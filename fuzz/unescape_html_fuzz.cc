// The HTML-reference decoder on arbitrary text: it answers only when it decoded a
// reference, every reference shortens the text, and valid UTF-8 stays valid.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/evaluation/rules/reflected_xss/html_unescape.h"
#include "fuzz/fuzz_input.h"

using sorvane::evaluation::rules::reflected_xss::html_unescape::unescape_html;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  if (!quenlith_fuzz::is_text(text)) return -1;

  const auto decoded = unescape_html(text);
  if (text.find('&') == std::string_view::npos) FUZZ_CHECK(!decoded);
  if (!decoded) return 0;
  // The shortest reference, "&#9" before a byte that ends it, gives one byte for three; no
  // reference gives more than its length less two.
  FUZZ_CHECK(decoded->size() + 2 <= text.size());
  FUZZ_CHECK(quenlith_fuzz::is_text(*decoded));
  return 0;
}
