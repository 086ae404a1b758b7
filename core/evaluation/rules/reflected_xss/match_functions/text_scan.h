// Forward searches over the decoded input, remembered for the whole evaluation of that
// input. Each match function reads ahead from its hit to some terminator ("*/", ")", a
// quote...); with many hits before one distant terminator, searching afresh for every hit
// would read the same bytes again and again. Sharing the answers keeps the evaluation of
// one input linear in practice. A short text is searched afresh instead: it holds few hits
// and few bytes to read again, and remembering answers (containers, heap nodes) would cost
// more than the searches.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/text/regex.h"

namespace sorvane::evaluation::rules::reflected_xss::match_functions {

inline constexpr std::size_t kNone = std::string_view::npos;

// An occurrence [start, end); start is kNone when there is none.
struct Occurrence {
  std::size_t start = kNone;
  std::size_t end = kNone;
};

// The answers of "the first occurrence at or after q". An entry {a -> o} says that no
// occurrence starts in [a, o.start) and that o is the one starting at o.start (o.start
// kNone: none after a). Entries cover disjoint ranges.
class OccurrenceMemo {
 public:
  // `search(from, limit)` answers the first occurrence at or after `from`; it may give up
  // at `limit`, from where the memo knows the answer already.
  template <class Search>
  Occurrence find(std::size_t from, Search&& search) {
    auto next = known_.upper_bound(from);
    if (next != known_.begin()) {
      // The entry before covers [its key, its occurrence].
      const Occurrence& occurrence = std::prev(next)->second;
      if (occurrence.start == kNone || from <= occurrence.start) return occurrence;
    }
    const std::size_t limit = next == known_.end() ? kNone : next->first;
    Occurrence found = search(from, limit);
    if (next != known_.end() && (found.start == kNone || found.start >= limit)) {
      found = next->second;
      known_.erase(next);
    }
    known_.emplace(from, found);
    return found;
  }

 private:
  std::map<std::size_t, Occurrence> known_;
};

// Every start of one needle's occurrences, found by one left-to-right scan that goes only
// as far as the questions need: "the first occurrence at or after q" is then a binary
// search, whatever the order of the questions.
class OccurrenceIndex {
 public:
  // `next(pos)` answers the first occurrence starting at or after `pos`, or kNone.
  template <class Next>
  std::size_t find(std::size_t from, Next&& next) {
    // Every occurrence that starts before scanned_ is in starts_.
    auto it = std::lower_bound(starts_.begin(), starts_.end(), from);
    if (it != starts_.end()) return *it;
    while (!done_) {
      const std::size_t start = next(scanned_);
      if (start == kNone) {
        done_ = true;
        break;
      }
      starts_.push_back(start);
      scanned_ = start + 1;
      if (start >= from) return start;
    }
    return kNone;
  }

 private:
  std::vector<std::size_t> starts_;
  std::size_t scanned_ = 0;
  bool done_ = false;
};

// A piece of an argument text after the quoted pieces were joined (see js_context):
// whether it holds two words, and what its ends look like. Whitespace lengths are in
// bytes; only whether they are zero matters.
struct JoinedPiece {
  bool has_two_words = false;
  bool all_whitespace = true;
  std::size_t lead_ws = 0;
  bool first_is_letter = false;  // the first character that is not whitespace
  std::size_t trail_ws = 0;
  bool last_is_letter = false;   // the last character that is not whitespace
};

struct QuoteChain {
  bool quote_survives = false;  // a quote stays after the joining
  JoinedPiece joined;           // otherwise: the joined text after the first quote
};

// Texts of at most this many bytes are searched afresh for every question. Up to this length
// calls nested in one argument text, which share the most, cost as much either way
// (bench/reflected_xss_bench.cc, BM_XssScanSharing).
inline constexpr std::size_t kDirectScanLength = 32;

// The first `c` at or after `pos`, or kNone. A text of at most 16 bytes is read byte by byte
// (a call of the library's search costs more than so few bytes); a longer one by that search.
inline std::size_t find_byte(std::string_view text, std::size_t pos, char c) {
  if (text.size() <= 16) {
    for (; pos < text.size(); ++pos) {
      if (text[pos] == c) return pos;
    }
    return kNone;
  }
  const std::size_t at = text.find(c, pos);
  return at == std::string_view::npos ? kNone : at;
}

class TextScan {
 public:
  // Whether answers are remembered: by the text's length, or always, or never (the last two
  // for comparing both ways).
  enum class Sharing : std::uint8_t { ByLength, Shared, Direct };

  enum class Needle : std::uint8_t {
    CommentEnd,       // "*/"
    LineFeed,         // "\n"
    Slash,            // "/"
    CloseParen,       // ")"
    Backtick,         // "`"
    Plus,             // "+"
    AnyQuote,         // any of ' " `
    ApostropheStop,   // any of \ '
    DoubleQuoteStop,  // any of \ "
    BacktickStop,     // any of \ `
    Count,
  };
  enum class Expression : std::uint8_t { MultipleWords, Concat, Count };

  explicit TextScan(std::string_view text, Sharing sharing = Sharing::ByLength)
      : text_(text),
        shared_(sharing == Sharing::Shared ||
                (sharing == Sharing::ByLength && text.size() > kDirectScanLength)) {}

  std::string_view text() const { return text_; }
  // Whether answers are remembered (else every question searches afresh).
  bool shared() const { return shared_; }

  // The first occurrence of `needle` starting at or after `from`; kNone when none.
  std::size_t find(Needle needle, std::size_t from);

  // The leftmost match of `regex` starting at or after `from`. `refine` may replace the
  // match's end by another one derived from it; it is applied once per match.
  template <class Refine>
  Occurrence find(Expression slot, const text::Regex& regex, std::size_t from, Refine&& refine) {
    auto search = [&](std::size_t f, std::size_t) {
      auto m = regex.find(text_, f);
      if (!m) return Occurrence{};
      return Occurrence{m->start, refine(m->start, m->end)};
    };
    if (!shared_) return search(from, kNone);
    return memos().expressions[static_cast<std::size_t>(slot)].find(from, search);
  }

  // Where the run of whitespace that ends at byte `end` begins (`end` when there is none).
  std::size_t whitespace_run_start(std::size_t end);

  struct PairHash {
    std::size_t operator()(const std::pair<std::size_t, std::size_t>& p) const {
      return std::hash<std::size_t>()(p.first * 0x9E3779B97F4A7C15u ^ p.second);
    }
  };
  using QuoteChains = std::unordered_map<std::pair<std::size_t, std::size_t>, QuoteChain, PairHash>;

  // Results of js_context's quote chains, keyed by (first quote, end of the arguments);
  // asked only when answers are shared.
  QuoteChains& quote_chains() { return memos().quote_chains; }

 private:
  struct Memos {
    std::array<OccurrenceIndex, static_cast<std::size_t>(Needle::Count)> needles;
    std::array<OccurrenceMemo, static_cast<std::size_t>(Expression::Count)> expressions;
    QuoteChains quote_chains;
    std::map<std::size_t, std::size_t> whitespace_runs;
  };
  // Set up on the first question: most inputs reach no match function that asks one, and
  // the containers' set-up would be most of their evaluation.
  Memos& memos() {
    if (!memos_) memos_.emplace();
    return *memos_;
  }

  std::string_view text_;
  bool shared_;
  std::optional<Memos> memos_;
};

}  // namespace sorvane::evaluation::rules::reflected_xss::match_functions
