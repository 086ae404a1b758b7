#include "core/evaluation/rules/sql_injection/sql_injection.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>

#include "core/evaluation/rules/pattern_rule.h"
#include "core/evaluation/rules/sql_injection/strip.h"
#include "core/evaluation/rules/sql_injection/worth_watching.h"
#include "core/text/unicode.h"
#include "core/text/utf8.h"

namespace sorvane::evaluation::rules::sql_injection {
const std::array<match_engine::ProtoPattern, 22> SQLI_PATTERNS = {{
    {.required_all = std::nullopt,
     .required_any = match_engine::chars(U"=<>~"),
     .excluded_contexts = std::nullopt,
     .id = "PIDS-SQLI-41C",
     .regex = R"re((?s)(?i:(?:\s+having\s+\d+\s*[=<>~]\s*\d+)))re",
     .min_len = 9,
     .level = 3},
    {.required_all = match_engine::chars(U"=-"),
     .required_any = std::nullopt,
     .excluded_contexts = std::nullopt,
     .id = "PIDS-SQLI-44A",
     .regex = R"re((?s)(?:\d=\d\s*(;\s*)?--))re",
     .min_len = 3,
     .level = 3},
    {.required_all = std::nullopt,
     .required_any = std::nullopt,
     .excluded_contexts = std::nullopt,
     .id = "SQLI-UNION-SELECT",
     .regex = R"re((?s)(?i:union\s*(?:all|distinct|[(!@]*)?\s*[(\[]*\s*select))re",
     .min_len = 15,
     .level = 3},
    {.required_all = match_engine::chars(U"("),
     .required_any = std::nullopt,
     .excluded_contexts = std::nullopt,
     .id = "PIDS-SQLI-475",
     .regex = R"re((?s)(?i:load_file|pg_sleep(?:\s)*\())re",
     .min_len = 11,
     .level = 3},
    {.required_all = std::nullopt,
     .required_any = match_engine::chars(U"(;*)"),
     .excluded_contexts = std::nullopt,
     .id = "PIDS-SQLI-473",
     .regex = R"re((?s)(?i:(?:(?:select|create|rename|truncate|load|alter|delete|update|insert|desc)\s+(?:(?:group_)concat|char)\s?\(?)|(?:end\s*\);)))re",
     .min_len = 9,
     .level = 3},
    {.required_all = match_engine::chars(U"@="),
     .required_any = std::nullopt,
     .excluded_contexts = std::nullopt,
     .id = "PIDS-SQLI-48A",
     .regex = R"re((?s)(?i:(?:@[\w.$]*=\s*\(\s*select)))re",
     .min_len = 8,
     .level = 3},
    {.required_all = std::nullopt,
     .required_any = std::nullopt,
     .excluded_contexts = std::nullopt,
     .id = "PIDS-SQLI-48D",
     .regex = R"re((?s)(?i:(?:\d\s+group\s+by)))re",
     .min_len = 9,
     .level = 3},
    {.required_all = match_engine::chars(U";"),
     .required_any = match_engine::chars(U"-/"),
     .excluded_contexts = std::nullopt,
     .id = "SQLI-TABLE-KEYWORDS",
     .regex = R"re((?s)(?i:(?:drop|alter|update|insert|modify).*?;?\s*--))re",
     .min_len = 7,
     .level = 3},
    {.required_all = std::nullopt,
     .required_any = match_engine::chars(U"<=>"),
     .excluded_contexts = std::nullopt,
     .id = "PIDS-SQLI-48H",
     .regex = R"re((?si)(?:(?:or|\|\|)[\s(]+(?:['"]{0,1}\w+['"]{0,1})[\s)]*(?:!*=|<>)+[\s(]*(?:['"]{0,1}\w+['"]{0,1})))re",
     .min_len = 7,
     .level = 3},
    {.required_all = match_engine::chars(U"("),
     .required_any = std::nullopt,
     .excluded_contexts = std::nullopt,
     .id = "PIDS-SQLI-49B",
     .regex = R"re((?s)(?i:(?:\(\s*select\s*~?\w+\s*\()))re",
     .min_len = 7,
     .level = 3},
    {.required_all = match_engine::chars(U"(@"),
     .required_any = std::nullopt,
     .excluded_contexts = std::nullopt,
     .id = "PIDS-SQLI-49F",
     .regex = R"re((?s)(?i:(?:coalesce\s*\(@@)))re",
     .min_len = 10,
     .level = 3},
    {.required_all = std::nullopt,
     .required_any = match_engine::chars(U"("),
     .excluded_contexts = std::nullopt,
     .id = "PIDS-SQLI-50",
     .regex = R"re((?s)(?i:(?:(?:select|;)\s+(?:benchmark|if|sleep)\s*?\(\s*\(?\s*)))re",
     .min_len = 5,
     .level = 3},
    {.required_all = std::nullopt,
     .required_any = std::nullopt,
     .excluded_contexts = std::nullopt,
     .id = "PIDS-SQLI-51",
     .regex = R"re((?s)(?i:(?:create\s+function\s+\w+\s+returns)|(?:(?:select|create|rename|truncate|load|alter|delete|update|insert|desc)\s*[\[(]\w{2,})))re",
     .min_len = 7,
     .level = 3},
    {.required_all = std::nullopt,
     .required_any = std::nullopt,
     .excluded_contexts = std::nullopt,
     .id = "PIDS-SQLI-53",
     .regex = R"re((?s)(?i:(?:procedure\s+analyse\s*\()|(?:;\s*(?:declare|open)\s+[\w-]+)|(?:create\s+(?:procedure|function)\s+\w+\s*\()|(?:declare[^\w]+[@#]\s*\w+)|(?:exec\s*\(\s*@)))re",
     .min_len = 3,
     .level = 3},
    {.required_all = std::nullopt,
     .required_any = match_engine::chars(U"\"'`"),
     .excluded_contexts = std::nullopt,
     .id = "PIDS-WAITFOR-DELAY-ATTACK",
     .regex = R"re((?s)(?i:waitfor\s+delay\s+["`']+\s*\d))re",
     .min_len = 15,
     .level = 3},
    {.required_all = match_engine::chars(U"_"),
     .required_any = std::nullopt,
     .excluded_contexts = std::nullopt,
     .id = "PIDS-SQLI-55A",
     .regex = R"re((?s)(?i:(?:exec\s+?xp_cmdshell)|(?:from\W+information_schema\.)))re",
     .min_len = 16,
     .level = 3},
    {.required_all = match_engine::chars(U";("),
     .required_any = std::nullopt,
     .excluded_contexts = std::nullopt,
     .id = "PIDS-SQLI-2001",
     .regex = R"re((?s)(?i:insert\s+into\s+\w+\s+values\s*\())re",
     .min_len = 19,
     .level = 3},
    {.required_all = match_engine::chars(U";="),
     .required_any = std::nullopt,
     .excluded_contexts = std::nullopt,
     .id = "SQLI-UPDATE-SET",
     .regex = R"re((?s)(?i:update\s+\w+\s+set\s+\w+\s+=))re",
     .min_len = 12,
     .level = 3},
    {.required_all = std::nullopt,
     .required_any = match_engine::chars(U"\"'`"),
     .excluded_contexts = std::nullopt,
     .id = "SQLI-DBO-SELECT",
     .regex = R"re((?s)(?i:(?:select\s*.{0,128}[`'"]dbo[`'"])))re",
     .min_len = 12,
     .level = 3},
    {.required_all = match_engine::chars(U"*"),
     .required_any = std::nullopt,
     .excluded_contexts = std::nullopt,
     .id = "PIDS-SQLI-4002",
     .regex = R"re((?s)(?i:(?:select\s+\*(?:\s)+from)))re",
     .min_len = 13,
     .level = 3},
    {.required_all = std::nullopt,
     .required_any = match_engine::chars(U"\"'`"),
     .excluded_contexts = std::nullopt,
     .id = "PIDS-SQLI-4003",
     .regex = R"re((?s)(?i:(?:['`"]\s+and\s+[a-z]+\s+is\s+(?:null|not null))))re",
     .min_len = 15,
     .level = 3},
    {.required_all = std::nullopt,
     .required_any = match_engine::chars(U"\"'`|"),
     .excluded_contexts = std::nullopt,
     .id = "SQLI-CONCAT-1",
     .regex = R"re((?s)(?i:(?:['`"]\s*[|][|].{0,128}[|][|]\s*['`"])))re",
     .min_len = 6,
     .level = 3},
}};

const text::Regex& CHAIN_CHARS() {
  static const text::Regex re(R"re((['"@+]|\.\.|\)\)+|\d;))re");
  return re;
}

namespace {

// Byte offset `chars` characters on from `pos`, or the end of the text. Robust to
// invalid UTF-8: every step advances at least one byte and never past the end.
std::size_t advance_chars(std::string_view text, std::size_t pos, std::size_t chars) {
  // Eight ASCII bytes at a time are eight characters.
  constexpr std::uint64_t kHighBits = 0x8080808080808080u;
  while (chars >= 8 && pos + 8 <= text.size()) {
    std::uint64_t block;
    std::memcpy(&block, text.data() + pos, 8);
    if (block & kHighBits) break;
    pos += 8;
    chars -= 8;
  }
  for (; chars > 0 && pos < text.size(); --chars) {
    pos += text::sequence_length(static_cast<unsigned char>(text[pos]));
  }
  return pos < text.size() ? pos : text.size();
}

}  // namespace

namespace {

// The characters of the chains but the "." of "..".
constexpr CharMask kChainChars = CharMask::of("'\"@+);");

// Bytes at which a chain match can start: the four single characters, "." and ")" of
// the runs, ASCII digits, and the lead bytes of longer characters (other decimal digits).
constexpr std::array<bool, 256> kChainStart = [] {
  std::array<bool, 256> table{};
  for (unsigned char c : std::string_view("'\"@+.)")) table[c] = true;
  for (int c = '0'; c <= '9'; ++c) table[c] = true;
  for (int c = 0xC2; c <= 0xF4; ++c) table[c] = true;
  return table;
}();

// Whether the character of `len` bytes at `pos` is a valid decimal digit (general
// category Nd) of more than one byte.
bool is_wide_digit(std::string_view text, std::size_t pos, std::size_t len) {
  const std::string_view seq = text.substr(pos, len);
  if (!text::is_utf8(seq)) return false;
  std::size_t at = 0;
  return text::is_decimal_digit(text::decode_at(seq, at));
}

}  // namespace

std::optional<text::Span> find_chain(std::string_view text, std::size_t from) {
  const std::size_t n = text.size();
  for (std::size_t p = from; p < n; ++p) {
    const auto c = static_cast<unsigned char>(text[p]);
    if (!kChainStart[c]) continue;
    switch (c) {
      case '\'':
      case '"':
      case '@':
      case '+':
        return text::Span{p, p + 1};
      case '.':
        if (p + 1 < n && text[p + 1] == '.') return text::Span{p, p + 2};
        break;
      case ')':
        if (p + 1 < n && text[p + 1] == ')') {
          std::size_t end = p + 2;
          while (end < n && text[end] == ')') ++end;
          return text::Span{p, end};
        }
        break;
      default:
        if (c < 0x80) {
          if (p + 1 < n && text[p + 1] == ';') return text::Span{p, p + 2};
        } else {
          const std::size_t len = text::sequence_length(c);
          if (p + len < n && text[p + len] == ';' && is_wide_digit(text, p, len)) {
            return text::Span{p, p + len + 1};
          }
        }
        break;
    }
  }
  return std::nullopt;
}

std::string_view matching_window(std::string_view text, std::size_t chain_start) {
  const std::size_t start = advance_chars(text, chain_start, 1);
  return text.substr(start, advance_chars(text, start, kWindowChars) - start);
}

bool may_open_window(const InputTraits& traits) {
  return traits.has_any(kChainChars) || traits.has_char('.');
}

void window_matches(const PatternRuleConfig& own, std::string_view text,
                    const InputTraits& traits, std::vector<PatternMatch>& matches) {
  if (text.size() < own.min_input_len) return;
  // Every chain holds a quote, "@", "+", ")" or ";", or is "..": a text with none of those
  // characters and no ".." (most prose) opens no window.
  if (!traits.has_any(kChainChars) && text.find("..") == std::string_view::npos) {
    return;
  }

  // The table only ever sees short windows behind characters that typically break out
  // of a SQL literal; the first window with matches decides.
  std::optional<std::string_view> previous;
  // Whether a window that cleaning leaves as it is, a piece of the input, can match at
  // all: learnt in one pass over the whole input once the windows handed to the table
  // add up to more bytes than the input, which bounds the extra work to that of the
  // windows.
  std::optional<bool> pieces_may_match;
  std::size_t table_bytes = 0;
  // The bytes of the latest uncleaned window that the table answered with no match. When
  // every row is free of anchors and word boundaries, a later uncleaned window inside it
  // (behind a later chain match, ending at the same or an earlier byte: on a short text,
  // the end of the text) has no match either.
  const bool rows_anchor_free =
      match_engine::every_row_anchor_free(own.gate, own.patterns.size());
  std::optional<text::Span> no_match_piece;
  for (std::size_t from = 0;;) {
    std::optional<text::Span> chain = find_chain(text, from);
    if (!chain) break;
    from = chain->end;

    const std::string_view raw = matching_window(text, chain->start);
    // Inside a run of one single-character chain character (a quote, "@", "+"), every
    // window up to the last one that still lies in the run is this same run, which the
    // comparison below would skip one by one: go on at that last one directly.
    if (chain->end == chain->start + 1 && raw.size() == kWindowChars &&
        raw.find_first_not_of(text[chain->start]) == std::string_view::npos) {
      std::size_t run_end = chain->start + 1 + kWindowChars;
      while (run_end < text.size() && text[run_end] == text[chain->start]) ++run_end;
      from = std::max(from, run_end - kWindowChars - 1);
    }
    // A window equal to the one before gives the same answer, and that one had none
    // (runs of one repeated character open thousands of them).
    if (previous == raw) continue;
    previous = raw;

    std::string_view window = raw;
    std::optional<std::string> stripped = strip::strip_comments(window);
    if (stripped) window = *stripped;
    std::optional<std::string> separated = strip::replace_separators(window);
    if (separated) window = *separated;
    if (window.size() < 4) continue;
    const std::size_t raw_start = static_cast<std::size_t>(raw.data() - text.data());
    const text::Span piece{raw_start, raw_start + raw.size()};
    const bool uncleaned = !stripped && !separated;
    if (uncleaned && no_match_piece && no_match_piece->start <= piece.start &&
        piece.end <= no_match_piece->end) {
      continue;
    }
    if (uncleaned) {
      if (!pieces_may_match && table_bytes > text.size()) {
        pieces_may_match = match_engine::some_piece_may_match(own.patterns, own.gate, text,
                                                              traits.context, traits);
        // Without comment openers and separators every later window is a piece too.
        if (!*pieces_may_match && !strip::may_clean(text)) return;
      }
      if (pieces_may_match == false) continue;
    }
    table_bytes += window.size();

    // The character pre-filters read the whole input's traits, min_len the window.
    match_engine::get_matches(own.patterns, window, traits.context, traits, own.gate, matches);
    if (!matches.empty()) return;
    if (uncleaned && rows_anchor_free) no_match_piece = piece;
  }
  return;
}

bool windows_are_pieces(std::string_view text) { return !strip::may_clean(text); }

double score(const std::vector<PatternMatch>& matches) {
  std::size_t count[4] = {0, 0, 0, 0};
  for (const PatternMatch& m : matches) {
    if (m.level < 4) ++count[m.level];
  }
  if (count[3] > 0) return 90.0;
  if (count[2] > 0) return count[0] > 0 || count[1] > 0 ? 90.0 : 60.0;
  if (count[0] + count[1] > 3) return 10.0;
  return static_cast<double>(count[0]);
}

}  // namespace sorvane::evaluation::rules::sql_injection
