// The string-expression parser on arbitrary text: the answer lies inside the text on a
// character boundary, and parsing from any character of a longer text agrees with parsing
// the rest of it on its own.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/evaluation/rules/reflected_xss/match_functions/js_string_parser.h"
#include "core/evaluation/rules/reflected_xss/match_functions/text_scan.h"
#include "fuzz/fuzz_input.h"

namespace mf = sorvane::evaluation::rules::reflected_xss::match_functions;
using mf::js_string_parser::parse_js_string_expression;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  quenlith_fuzz::FuzzInput in(data, size);
  const std::size_t start_char = in.size();
  const std::string_view text = in.rest();
  if (!quenlith_fuzz::is_text(text)) return -1;

  const std::size_t start = sorvane::text::byte_offset_of_char(text, start_char);
  const std::string_view tail = text.substr(start);
  const std::size_t end = parse_js_string_expression(tail);
  FUZZ_CHECK(end <= tail.size());
  FUZZ_CHECK(end == tail.size() || (static_cast<unsigned char>(tail[end]) & 0xC0) != 0x80);

  mf::TextScan scan(text);
  // A first parse at the start fills the scan's memory of searches, which the second shares.
  const std::size_t from_start = parse_js_string_expression(scan, 0);
  FUZZ_CHECK(from_start == parse_js_string_expression(text));
  FUZZ_CHECK(parse_js_string_expression(scan, start) == end);
  return 0;
}
