// The string-expression parser on arbitrary text: it answers what a plain version of its
// states answers, the answer lies inside the text on a character boundary, and parsing from
// any character of a longer text agrees with parsing the rest of it on its own.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/evaluation/rules/reflected_xss/match_functions/js_string_parser.h"
#include "core/evaluation/rules/reflected_xss/match_functions/text_scan.h"
#include "core/text/unicode.h"
#include "core/text/utf8.h"
#include "fuzz/fuzz_input.h"

namespace mf = sorvane::evaluation::rules::reflected_xss::match_functions;
using mf::js_string_parser::parse_js_string_expression;
using mf::js_string_parser::JsStringState;

namespace {

std::size_t reference_parse(std::string_view text) {
  using S = JsStringState;
  S state = S::ExpectValue;
  S resume = S::ExpectValue;
  char32_t quote = 0;
  std::size_t end = 0;
  std::size_t p = 0;
  auto starts = [&](std::size_t at, std::string_view s) {
    return at <= text.size() && text.substr(at, s.size()) == s;
  };
  auto digit = [](char32_t c) { return c >= '0' && c <= '9'; };
  // A comment opened at `p`: consumes its two characters.
  auto comment = [&](S from) {
    if (!starts(p, "/*") && !starts(p, "//")) return false;
    resume = from;
    state = text[p + 1] == '*' ? S::InBlockComment : S::InLineComment;
    p += 2;
    return true;
  };
  while (p < text.size() && state != S::Stop) {
    std::size_t next = p;
    const char32_t c = sorvane::text::decode_at(text, next);
    const bool white = sorvane::text::is_white_space(c);
    switch (state) {
      case S::ExpectValue:
      case S::AfterPlus:
        if (c == '\'' || c == '"' || c == '`') {
          quote = c;
          state = S::InString;
        } else if (comment(state)) {
          continue;
        } else if (c == '/') {
          state = S::InRegex;
        } else if (digit(c)) {
          state = S::InNumber;
        } else if (!white) {
          state = S::Stop;
        }
        break;
      case S::InString:
        if (c == '\\') {
          if (next < text.size()) sorvane::text::decode_at(text, next);
        } else if (c == quote) {
          end = p + 1;
          state = S::AfterValue;
        }
        break;
      case S::InRegex:
        if (c == '/') state = S::AfterRegex;
        break;
      case S::AfterRegex:
        if (starts(p, ".source")) {
          p += 7;
          end = p;
          state = S::AfterValue;
          continue;
        }
        if (comment(state)) continue;
        if (!white) state = S::Stop;
        break;
      case S::InNumber:
        if (c == '+' || white) {
          end = p;
          state = c == '+' ? S::AfterPlus : S::AfterValue;
        } else if (comment(state)) {
          continue;
        } else if (!digit(c)) {
          state = S::Stop;
        }
        break;
      case S::AfterValue:
        if (c == '+') state = S::AfterPlus;
        else if (comment(state)) continue;
        else if (!white) state = S::Stop;
        break;
      case S::InBlockComment:
        if (starts(p, "*/")) {
          p += 2;
          end = p;
          state = resume;
          continue;
        }
        break;
      case S::InLineComment:
        if (c == '\n') {
          end = p + 1;
          state = resume;
        }
        break;
      case S::Stop:
        break;
    }
    p = next;
  }
  if (p >= text.size() && state == S::InNumber) end = text.size();
  return end;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  quenlith_fuzz::FuzzInput in(data, size);
  const std::size_t start_char = in.size();
  const std::string_view text = in.rest();
  if (!quenlith_fuzz::is_text(text)) return -1;

  const std::size_t start = sorvane::text::byte_offset_of_char(text, start_char);
  const std::string_view tail = text.substr(start);
  const std::size_t end = parse_js_string_expression(tail);
  FUZZ_CHECK(end == reference_parse(tail));
  FUZZ_CHECK(end <= tail.size());
  FUZZ_CHECK(end == tail.size() || (static_cast<unsigned char>(tail[end]) & 0xC0) != 0x80);

  mf::TextScan scan(text, mf::TextScan::Sharing::Shared);
  // A first parse at the start fills the scan's memory of searches, which the second shares.
  const std::size_t from_start = parse_js_string_expression(scan, 0);
  FUZZ_CHECK(from_start == parse_js_string_expression(text));
  FUZZ_CHECK(parse_js_string_expression(scan, start) == end);
  return 0;
}
