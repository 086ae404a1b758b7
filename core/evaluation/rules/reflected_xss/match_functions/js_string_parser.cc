#include "core/evaluation/rules/reflected_xss/match_functions/js_string_parser.h"

#include "core/text/unicode.h"
#include "core/text/utf8.h"

namespace sorvane::evaluation::rules::reflected_xss::match_functions::js_string_parser {
namespace {

bool is_digit(char32_t c) { return c >= '0' && c <= '9'; }
bool is_quote(char32_t c) { return c == '\'' || c == '"' || c == '`'; }

}  // namespace

std::size_t parse_js_string_expression(std::string_view text) {
  TextScan scan(text);
  return parse_js_string_expression(scan, 0);
}

std::size_t parse_js_string_expression(TextScan& scan, std::size_t start) {
  using S = JsStringState;
  using N = TextScan::Needle;
  const std::string_view text = scan.text();
  S state = S::ExpectValue;
  S return_state = S::ExpectValue;
  char quote = 0;
  std::size_t end = start;
  std::size_t pos = start;

  while (pos < text.size() && state != S::Stop) {
    std::size_t next = pos;
    const char32_t c = text::decode_at(text, next);
    // A "/" that opens a comment: consumes both characters and remembers the state to
    // resume when the comment ends.
    auto opens_comment = [&] {
      if (c != '/' || next >= text.size() || (text[next] != '*' && text[next] != '/')) return false;
      return_state = state;
      state = text[next] == '*' ? S::InBlockComment : S::InLineComment;
      next += 1;
      return true;
    };

    switch (state) {
      case S::ExpectValue:
      case S::AfterPlus:
        if (is_quote(c)) {
          quote = static_cast<char>(c);
          state = S::InString;
        } else if (opens_comment()) {
        } else if (c == '/') {
          state = S::InRegex;
        } else if (is_digit(c)) {
          state = S::InNumber;
        } else if (!text::is_white_space(c)) {
          state = S::Stop;
        }
        break;

      case S::InString: {
        // Reads up to the closing quote; a backslash takes the character after it along.
        const N stops = quote == '\'' ? N::ApostropheStop
                        : quote == '"' ? N::DoubleQuoteStop
                                       : N::BacktickStop;
        std::size_t q = pos;
        for (;;) {
          q = scan.find(stops, q);
          if (q == kNone || text[q] == quote) break;
          if (++q < text.size()) text::decode_at(text, q);
        }
        if (q == kNone) {
          next = text.size();
        } else {
          end = q + 1;
          next = q + 1;
          state = S::AfterValue;
        }
        break;
      }

      case S::InRegex: {
        const std::size_t q = scan.find(N::Slash, pos);
        if (q == kNone) {
          next = text.size();
        } else {
          next = q + 1;
          state = S::AfterRegex;
        }
        break;
      }

      case S::AfterRegex:
        if (c == '.') {
          if (text.substr(next, 6) == "source") {
            next += 6;
            end = next;
            state = S::AfterValue;
          } else {
            state = S::Stop;
          }
        } else if (opens_comment()) {
        } else if (!text::is_white_space(c)) {
          state = S::Stop;
        }
        break;

      case S::InNumber:
        if (is_digit(c)) {
        } else if (c == '+') {
          end = pos;
          state = S::AfterPlus;
        } else if (text::is_white_space(c)) {
          end = pos;
          state = S::AfterValue;
        } else if (!opens_comment()) {
          state = S::Stop;
        }
        break;

      case S::AfterValue:
        if (c == '+') {
          state = S::AfterPlus;
        } else if (!text::is_white_space(c) && !opens_comment()) {
          state = S::Stop;
        }
        break;

      case S::InBlockComment: {
        const std::size_t q = scan.find(N::CommentEnd, pos);
        if (q == kNone) {
          next = text.size();
        } else {
          next = q + 2;
          end = next;
          state = return_state;
        }
        break;
      }

      case S::InLineComment: {
        const std::size_t q = scan.find(N::LineFeed, pos);
        if (q == kNone) {
          next = text.size();
        } else {
          next = q + 1;
          end = next;
          state = return_state;
        }
        break;
      }

      case S::Stop:
        break;
    }
    pos = next;
  }
  if (state == S::InNumber) end = text.size();
  return end - start;
}

}  // namespace sorvane::evaluation::rules::reflected_xss::match_functions::js_string_parser
