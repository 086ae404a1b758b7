// The JavaScript-escape decoder on arbitrary text: it answers only when it decoded an
// escape, every escape shortens the text, and valid UTF-8 stays valid.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/evaluation/rules/reflected_xss/js_escape.h"
#include "fuzz/fuzz_input.h"

using sorvane::evaluation::rules::reflected_xss::js_escape::unescape_js;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  if (!quenlith_fuzz::is_text(text)) return -1;

  const auto decoded = unescape_js(text);
  if (text.find('\\') == std::string_view::npos) FUZZ_CHECK(!decoded);
  if (!decoded) return 0;
  // The shortest escape, "\x61", has four bytes and gives one.
  FUZZ_CHECK(decoded->size() + 3 <= text.size());
  FUZZ_CHECK(quenlith_fuzz::is_text(*decoded));
  return 0;
}
