#include "core/evaluation/rules/reflected_xss/match_functions/js_context.h"

#include <array>
#include <string>

#include "core/evaluation/rules/reflected_xss/match_functions/match_fn.h"
#include "core/text/unicode.h"
#include "core/text/utf8.h"

namespace sorvane::evaluation::rules::reflected_xss::match_functions::js_context {
namespace {

// Keywords after which a call still stands in script context (lower case only).
constexpr std::array<std::string_view, 14> kPrecedingKeywords = {
    "do",     "in",     "case",   "else",   "void",    "await", "throw",
    "yield",  "delete", "import", "return", "typeof",  "default", "instanceof",
};
constexpr std::size_t kLongestKeyword = 10;

bool is_line_break(char32_t c) { return c == '\n' || c == '\r' || c == 0x2028 || c == 0x2029; }
bool is_ascii_digit(char32_t c) { return c >= '0' && c <= '9'; }

// The character right before the name: nothing alphanumeric glued to it, and no dot that
// follows whitespace.
bool glued_before(std::string_view text, std::size_t match_start) {
  std::size_t pos = match_start;
  const char32_t c = text::decode_before(text, pos);
  if (text::is_alphanumeric(c)) return true;
  if (c == '.' && pos > 0) {
    return text::is_white_space(text::decode_before(text, pos));
  }
  return false;
}

// The word before the name on its line, if any, must be one of the keywords.
bool previous_word_allows_call(std::string_view text, std::size_t match_start) {
  std::size_t pos = match_start;
  std::size_t word_begin = 0;
  std::size_t word_end = 0;
  std::size_t letters = 0;
  while (pos > 0) {
    std::size_t prev = pos;
    const char32_t c = text::decode_before(text, prev);
    if (is_ascii_digit(c)) return false;
    if (text::is_alphabetic(c)) {
      if (letters == 0) word_end = pos;
      word_begin = prev;
      // No keyword is longer: a longer word can only fail.
      if (++letters > kLongestKeyword) return false;
      pos = prev;
      continue;
    }
    if (letters > 0) break;
    if (text::is_white_space(c) && !is_line_break(c)) {
      pos = prev;
      continue;
    }
    return true;  // a line break or another character before any word
  }
  if (letters == 0) return true;  // the start of the text before any word
  const std::string_view word = text.substr(word_begin, word_end - word_begin);
  for (std::string_view keyword : kPrecedingKeywords) {
    if (word == keyword) return true;
  }
  return false;
}

// The position right after the "(" or backtick that opens the call, or npos. Whitespace,
// U+FEFF, block comments and "?." may stand between the name and the opener.
std::size_t call_opening(std::string_view text, std::size_t pos, char& opener) {
  while (pos < text.size()) {
    if (text.compare(pos, 2, "/*") == 0) {
      const std::size_t close = text.find("*/", pos + 2);
      if (close == std::string_view::npos) return std::string_view::npos;
      pos = close + 2;
      continue;
    }
    std::size_t next = pos;
    const char32_t c = text::decode_at(text, next);
    if (text::is_white_space(c) || c == 0xFEFF) {
      pos = next;
    } else if (c == '?') {
      if (next >= text.size() || text[next] != '.') return std::string_view::npos;
      pos = next + 1;
    } else if (c == '(' || c == '`') {
      opener = static_cast<char>(c);
      return next;
    } else {
      return std::string_view::npos;
    }
  }
  return std::string_view::npos;
}

bool has_quote(std::string_view s) { return s.find_first_of("'\"`") != std::string_view::npos; }

}  // namespace

const text::Regex& concat_pattern() {
  static const text::Regex re(R"re((?:['"])\s*(?:/\*.*?\*/)?\s*\+\s*(?:/\*.*?\*/)?\s*(?:['"]))re");
  return re;
}

const text::Regex& multiple_words() {
  static const text::Regex re(R"([a-zA-Z]+\s+[a-zA-Z]+)");
  return re;
}

float is_function_in_js_context(std::string_view, std::string_view text,
                                std::size_t match_start, std::size_t match_end) {
  check_hit(text, match_start, match_end);
  if (match_start > 0 &&
      (glued_before(text, match_start) || !previous_word_allows_call(text, match_start))) {
    return kNoMatch;
  }

  char opener = 0;
  const std::size_t args_begin = call_opening(text, match_end, opener);
  if (args_begin == std::string_view::npos) return kNoMatch;
  const std::size_t args_end = text.find(opener == '(' ? ')' : '`', args_begin);
  if (args_end == std::string_view::npos) return kNoMatch;

  // Nested parentheses are not counted: the first closer ends the arguments.
  const std::string_view args = text.substr(args_begin, args_end - args_begin);
  std::string joined;
  std::string_view checked = args;
  if (args.find('+') != std::string_view::npos) {
    // Adjacent quoted pieces such as 'al' + 'ert' are joined first.
    joined = concat_pattern().replace_all(args, "");
    checked = joined;
  }
  if (has_quote(checked)) return kMatch;
  return multiple_words().is_match(checked) ? kNoMatch : kMatch;
}

}  // namespace sorvane::evaluation::rules::reflected_xss::match_functions::js_context
