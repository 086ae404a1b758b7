#include "core/evaluation/rules/reflected_xss/match_functions/js_context.h"

#include <algorithm>
#include <array>
#include <string>
#include <utility>
#include <vector>

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

// The position right after the "(" or backtick that opens the call, or kNone. Whitespace,
// U+FEFF, block comments and "?." may stand between the name and the opener.
std::size_t call_opening(TextScan& scan, std::size_t pos, char& opener) {
  const std::string_view text = scan.text();
  while (pos < text.size()) {
    if (text[pos] == '/' && pos + 1 < text.size() && text[pos + 1] == '*') {
      const std::size_t close = scan.find(TextScan::Needle::CommentEnd, pos + 2);
      if (close == kNone) return kNone;
      pos = close + 2;
      continue;
    }
    std::size_t next = pos;
    const char32_t c = text::decode_at(text, next);
    if (text::is_white_space(c) || c == 0xFEFF) {
      pos = next;
    } else if (c == '?') {
      if (next >= text.size() || text[next] != '.') return kNone;
      pos = next + 1;
    } else if (c == '(' || c == '`') {
      opener = static_cast<char>(c);
      return next;
    } else {
      return kNone;
    }
  }
  return kNone;
}

bool is_ascii_letter(char32_t c) { return (c | 0x20) >= 'a' && (c | 0x20) <= 'z'; }

// Whether MULTIPLE_WORDS matches inside bytes [begin, end) of the text. The shortest form
// of a match ends one letter after its whitespace run, and that end grows with the start,
// so a match fits in the range exactly when the leftmost one from `begin` does.
bool two_words_in(TextScan& scan, std::size_t begin, std::size_t end) {
  if (begin >= end) return false;
  const std::string_view text = scan.text();
  const Occurrence m = scan.find(TextScan::Expression::MultipleWords, multiple_words(), begin,
                                 [&](std::size_t, std::size_t match_end) {
                                   std::size_t second = match_end;
                                   while (is_ascii_letter(static_cast<unsigned char>(
                                       text[second - 1]))) {
                                     --second;
                                   }
                                   return second + 1;
                                 });
  return m.start != kNone && m.end <= end;
}

// Bytes [begin, end) of the text (no quote among them) as a piece of the joined text.
JoinedPiece piece_of(TextScan& scan, std::size_t begin, std::size_t end) {
  const std::string_view text = scan.text();
  JoinedPiece piece;
  piece.has_two_words = two_words_in(scan, begin, end);
  std::size_t pos = begin;
  while (pos < end) {
    std::size_t next = pos;
    const char32_t c = text::decode_at(text, next);
    if (!text::is_white_space(c)) {
      piece.all_whitespace = false;
      piece.first_is_letter = is_ascii_letter(c);
      break;
    }
    pos = next;
  }
  piece.lead_ws = pos - begin;
  if (piece.all_whitespace) {
    piece.trail_ws = piece.lead_ws;
    return piece;
  }
  const std::size_t ws = std::max(scan.whitespace_run_start(end), begin);
  piece.trail_ws = end - ws;
  std::size_t last = ws;
  piece.last_is_letter = is_ascii_letter(text::decode_before(text, last));
  return piece;
}

// The piece `a` followed by the piece `b`.
JoinedPiece combine(const JoinedPiece& a, const JoinedPiece& b) {
  JoinedPiece s;
  s.has_two_words = a.has_two_words || b.has_two_words ||
                    (a.last_is_letter && b.first_is_letter && a.trail_ws + b.lead_ws > 0);
  s.all_whitespace = a.all_whitespace && b.all_whitespace;
  s.lead_ws = a.all_whitespace ? a.lead_ws + b.lead_ws : a.lead_ws;
  s.first_is_letter = a.all_whitespace ? b.first_is_letter : a.first_is_letter;
  s.trail_ws = b.all_whitespace ? a.trail_ws + b.trail_ws : b.trail_ws;
  s.last_is_letter = b.all_whitespace ? a.last_is_letter : b.last_is_letter;
  return s;
}

// Joining the quoted pieces of the arguments ending at `end`, from the quote at `quote` on.
// CONCAT_PATTERN starts and ends with a quote, so the joining walks from quote to quote:
// each one either starts a match, which is removed, or stays. Links are remembered, so
// the hits whose arguments share quotes walk them once.
QuoteChain quote_chain(TextScan& scan, std::size_t quote, std::size_t end) {
  auto& known = scan.quote_chains();
  std::vector<std::pair<std::size_t, JoinedPiece>> links;
  QuoteChain tail;
  for (std::size_t q = quote;;) {
    if (auto it = known.find({q, end}); it != known.end()) {
      tail = it->second;
      break;
    }
    const Occurrence m = scan.find(TextScan::Expression::Concat, concat_pattern(), q,
                                   [](std::size_t, std::size_t match_end) { return match_end; });
    if (m.start != q || m.end > end) {
      tail = QuoteChain{true, {}};
      known[{q, end}] = tail;
      break;
    }
    const std::size_t next = scan.find(TextScan::Needle::AnyQuote, m.end);
    if (next == kNone || next >= end) {
      tail = QuoteChain{false, piece_of(scan, m.end, end)};
      known[{q, end}] = tail;
      break;
    }
    links.emplace_back(q, piece_of(scan, m.end, next));
    q = next;
  }
  for (auto it = links.rbegin(); it != links.rend(); ++it) {
    if (!tail.quote_survives) tail.joined = combine(it->second, tail.joined);
    known[{it->first, end}] = tail;
  }
  return tail;
}

bool is_quote(char c) { return c == '\'' || c == '"' || c == '`'; }

// A letter right before a whitespace character (ASCII, or a byte of 0x80 or above, which may
// start one): without one MULTIPLE_WORDS cannot match, and its search is left out.
bool may_hold_two_words(std::string_view s) {
  for (std::size_t i = 0; i + 1 < s.size(); ++i) {
    const auto next = static_cast<unsigned char>(s[i + 1]);
    if (is_ascii_letter(static_cast<unsigned char>(s[i])) &&
        (next == ' ' || (next >= 0x09 && next <= 0x0D) || next >= 0x80)) {
      return true;
    }
  }
  return false;
}

// The steps on the argument text as they read, for a text whose searches are not shared:
// join the quoted pieces, then a quote scores and two plain words do not.
float score_arguments_directly(std::string_view args) {
  auto has_quote = [](std::string_view t) { return std::any_of(t.begin(), t.end(), is_quote); };
  std::string joined;
  // CONCAT_PATTERN starts with a quote, so without one nothing is joined.
  if (find_byte(args, 0, '+') != kNone && has_quote(args)) {
    std::size_t from = 0;
    while (auto m = concat_pattern().find(args, from)) {
      joined.append(args.substr(from, m->start - from));
      from = m->end;
    }
    if (from > 0) {
      joined.append(args.substr(from));
      args = joined;
    }
  }
  if (has_quote(args)) return kMatch;
  return may_hold_two_words(args) && multiple_words().is_match(args) ? kNoMatch : kMatch;
}

// Steps on the argument text, bytes [begin, end) of the text: a string literal scores, two
// plain words do not, after adjacent quoted pieces were joined.
float score_arguments(TextScan& scan, std::size_t begin, std::size_t end) {
  if (!scan.shared()) return score_arguments_directly(scan.text().substr(begin, end - begin));
  using N = TextScan::Needle;
  const std::size_t quote = scan.find(N::AnyQuote, begin);
  // Joining needs quotes, so without one the text stays as it is.
  if (quote == kNone || quote >= end) return two_words_in(scan, begin, end) ? kNoMatch : kMatch;
  const std::size_t plus = scan.find(N::Plus, begin);
  if (plus == kNone || plus >= end) return kMatch;
  const QuoteChain chain = quote_chain(scan, quote, end);
  if (chain.quote_survives) return kMatch;
  // The joined text: the bytes before the first quote, then the joined rest.
  JoinedPiece prefix;
  prefix.has_two_words = two_words_in(scan, begin, quote);
  const std::size_t ws = scan.whitespace_run_start(quote);
  if (ws > begin) {
    prefix.all_whitespace = false;
    prefix.trail_ws = quote - ws;
    std::size_t last = ws;
    prefix.last_is_letter = is_ascii_letter(text::decode_before(scan.text(), last));
  } else {
    prefix.lead_ws = prefix.trail_ws = quote - begin;
  }
  return combine(prefix, chain.joined).has_two_words ? kNoMatch : kMatch;
}

}  // namespace

const text::Regex& concat_pattern() {
  static const text::Regex re(R"re((?:['"])\s*(?:/\*.*?\*/)?\s*\+\s*(?:/\*.*?\*/)?\s*(?:['"]))re");
  return re;
}

const text::Regex& multiple_words() {
  static const text::Regex re(R"([a-zA-Z]+\s+[a-zA-Z]+)");
  return re;
}

float is_function_in_js_context(std::string_view, TextScan& scan, std::size_t match_start,
                                std::size_t match_end) {
  const std::string_view text = scan.text();
  check_hit(text, match_start, match_end);
  if (match_start > 0 &&
      (glued_before(text, match_start) || !previous_word_allows_call(text, match_start))) {
    return kNoMatch;
  }

  char opener = 0;
  const std::size_t args_begin = call_opening(scan, match_end, opener);
  if (args_begin == kNone) return kNoMatch;
  // Nested parentheses are not counted: the first closer ends the arguments.
  const std::size_t args_end =
      scan.find(opener == '(' ? TextScan::Needle::CloseParen : TextScan::Needle::Backtick,
                args_begin);
  if (args_end == kNone) return kNoMatch;
  return score_arguments(scan, args_begin, args_end);
}

float is_function_in_js_context(std::string_view keyword, std::string_view text,
                                std::size_t match_start, std::size_t match_end) {
  TextScan scan(text);
  return is_function_in_js_context(keyword, scan, match_start, match_end);
}

}  // namespace sorvane::evaluation::rules::reflected_xss::match_functions::js_context
