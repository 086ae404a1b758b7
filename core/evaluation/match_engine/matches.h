// Runs a compiled pattern table against one text.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "core/evaluation/match_engine/pattern.h"
#include "core/evaluation/rules/input_traits.h"
#include "core/text/aho_corasick.h"

namespace sorvane::evaluation::match_engine {

// The most rows a gate takes (one bit per row).
inline constexpr std::size_t kMaxGateRows = 64;
// Texts of at most this many bytes are short: on them a search of the rows' required
// literals costs less than any pass of an expression, so it comes first.
inline constexpr std::size_t kShortText = 15;

// Whether a set of rows (bit i: row i) holds at most one row: a bit test, where a count is a
// library call on the baseline x86-64 instruction set.
constexpr bool at_most_one(std::uint64_t rows) { return (rows & (rows - 1)) == 0; }

// Appends to `found` every pattern whose pre-filters pass and whose expression matches, in
// table order.
void get_matches(std::span<const Pattern> patterns, std::string_view text, std::uint8_t context,
                 const rules::InputTraits& traits, std::vector<rules::PatternMatch>& found);

// The same answer as get_matches when `matching` holds the rows of the first 64 whose
// expressions match somewhere in `text` (bit i: row i), as a set of the table's
// expressions tells: the rows of it that pass their pre-filters, in table order.
void matches_of_rows(std::span<const Pattern> patterns, std::string_view text,
                     std::uint8_t context, const rules::InputTraits& traits,
                     std::uint64_t matching, std::vector<rules::PatternMatch>& found);

// The matches a call `fill(found)` appends to an empty list, in a list of their own; none
// instead of an empty list.
template <class Fill>
std::optional<std::vector<rules::PatternMatch>> matches_in_own_list(Fill&& fill) {
  std::vector<rules::PatternMatch> found;
  fill(found);
  if (found.empty()) return std::nullopt;
  return found;
}

inline std::optional<std::vector<rules::PatternMatch>> get_matches(
    std::span<const Pattern> patterns, std::string_view text, std::uint8_t context,
    const rules::InputTraits& traits) {
  return matches_in_own_list([&](auto& found) { get_matches(patterns, text, context, traits, found); });
}

inline std::optional<std::vector<rules::PatternMatch>> matches_of_rows(
    std::span<const Pattern> patterns, std::string_view text, std::uint8_t context,
    const rules::InputTraits& traits, std::uint64_t matching) {
  return matches_in_own_list(
      [&](auto& found) { matches_of_rows(patterns, text, context, traits, matching, found); });
}

// A pattern's character pre-filters as bit sets over the ASCII codes.
struct CharFilter {
  std::uint64_t all_lo = 0, all_hi = 0;  // required_all; never met when it lists non-ASCII
  std::uint64_t any_lo = 0, any_hi = 0;  // required_any's ASCII members
  bool all_never = false;
  bool has_any = false;
};

CharFilter char_filter(const CharList& required_all, const CharList& required_any);

// Whether a text with these traits holds every character of the all-of list and, when there
// is an any-of list, one of its characters (a character above 0x7F never occurs).
inline bool passes_char_filter(const CharFilter& f, const rules::InputTraits& traits) {
  if (f.all_never) return false;
  if ((traits.ascii_lo & f.all_lo) != f.all_lo || (traits.ascii_hi & f.all_hi) != f.all_hi) {
    return false;
  }
  return !f.has_any || (traits.ascii_lo & f.any_lo) != 0 || (traits.ascii_hi & f.any_hi) != 0;
}

// A table's expressions compiled into one set, in table order, and the rows without
// anchors or word boundaries (whose matches in a piece of a text are matches in the text).
struct Gate {
  std::shared_ptr<const text::RegexSet> set;
  std::uint64_t anchor_free = 0;  // bit i: row i
  std::vector<CharFilter> filters;  // one per row
  // The literals that every match of some rows must contain (text::required_literals),
  // searched in one pass. A row of `literal_rows` is a candidate only when one of its
  // literals occurs; per literal, `admits` holds its own rows and those of every literal
  // inside it, so the longest literal ending at a byte tells all that end there.
  std::shared_ptr<const text::AhoCorasick> literals;
  std::vector<std::uint64_t> admits;  // one per literal
  std::uint64_t literal_rows = 0;
};

// Whether each of the first `row_count` rows of the gate's table (at most 64) is free of
// anchors and word boundaries.
bool every_row_anchor_free(const Gate& gate, std::size_t row_count);

// What a text needs for some row of a table to pass its pre-filters (minimum length and
// characters; contexts are not looked at), by the text's length: a necessary condition, a
// few instructions to test. Texts that cannot pass any row get no match from the table,
// whatever its expressions.
struct PrefilterNeeds {
  // The ASCII characters of which a text needs one, unless `always`: some row has no
  // character pre-filter.
  struct Need {
    std::uint64_t lo = 0, hi = 0;
    bool always = false;
  };
  // Entry n: the rows whose minimum length is at most n; the last one holds every row, for
  // texts of that many bytes or more.
  static constexpr std::size_t kLengths = 16;
  std::array<Need, kLengths + 1> by_length{};

  bool may_pass(std::string_view text, const rules::InputTraits& traits) const {
    const Need& need = by_length[std::min(text.size(), kLengths)];
    return need.always || (traits.ascii_lo & need.lo) != 0 || (traits.ascii_hi & need.hi) != 0;
  }
};

PrefilterNeeds prefilter_needs(std::span<const Pattern> patterns);

// The rows among `rows` (bit i: row i; bits beyond the table's rows are dropped) that pass
// their pre-filters (minimum length, context and characters) for a text of `size` bytes
// with these traits.
std::uint64_t rows_passing_prefilters(std::span<const Pattern> patterns, const Gate& gate,
                                      std::size_t size, std::uint8_t context,
                                      const rules::InputTraits& traits, std::uint64_t rows);

// What rows_passing_prefilters answers for texts of fewer than kLengths bytes, from masks
// over the rows (bit i: row i, at most 64): a few look-ups per character the rows' lists
// name, in place of a test per row.
struct ShortTextFilters {
  static constexpr std::size_t kLengths = 16;
  std::array<std::uint64_t, kLengths> by_length{};  // entry n: rows whose minimum length is at most n
  std::array<std::uint64_t, 256> by_context{};  // entry c: rows not excluded in context c
  // Per ASCII character, the rows whose all-of list names it and those whose any-of list does;
  // and every character some list names.
  std::array<std::uint64_t, 128> all_of{}, any_of{};
  rules::CharMask all_chars, any_chars, named_chars;  // named_chars: both
  std::uint64_t any_rows = 0;  // rows with an any-of list
  std::uint64_t never = 0;     // rows whose all-of list names a character beyond ASCII

  // `size` must be below kLengths.
  std::uint64_t passing(std::size_t size, std::uint8_t context, const rules::InputTraits& traits,
                        std::uint64_t rows) const;
};

ShortTextFilters short_text_filters(std::span<const Pattern> patterns);

// The candidates among `rows` left after the literal search: rows outside the gate's
// literal rows stay; a literal row stays when one of its literals occurs in `text`.
std::uint64_t admitted_by_literals(const Gate& gate, std::string_view text, std::uint64_t rows);

// The gate of a table of at most 64 rows. A longer table, or one whose expressions exceed
// the engine's memory budget for one set, gets no set: get_matches then runs every row
// that passes its pre-filters, as without a gate.
Gate compile_gate(std::span<const Pattern> patterns);

// matches_of_rows with the pre-filters read from the gate's bit sets, not the rows' character
// lists. `gate` is compile_gate(patterns).
void matches_of_rows(std::span<const Pattern> patterns, const Gate& gate, std::string_view text,
                     std::uint8_t context, const rules::InputTraits& traits,
                     std::uint64_t matching, std::vector<rules::PatternMatch>& found);

// The same answer as get_matches above, with `gate` sparing the rows' own expressions on
// a text that none of them matches: rows that pass their pre-filters but miss all of
// their required literals drop out; when two or more rows remain, the set's passes tell
// which of them match (on a text longer than kShortText a first pass tells whether any
// does), and only an undecided pass leaves them to their own expressions. The literal
// search runs on short texts
// (kShortText), and on longer ones only with `use_literals` (the answer is the same either
// way): on the texts of a typical request one search per table costs about as much as the
// set's pass it spares, on a short text less than any pass of an expression.
void get_matches(std::span<const Pattern> patterns, std::string_view text, std::uint8_t context,
                 const rules::InputTraits& traits, const Gate& gate,
                 std::vector<rules::PatternMatch>& found, bool use_literals = false);

inline std::optional<std::vector<rules::PatternMatch>> get_matches(
    std::span<const Pattern> patterns, std::string_view text, std::uint8_t context,
    const rules::InputTraits& traits, const Gate& gate, bool use_literals = false) {
  return matches_in_own_list(
      [&](auto& found) { get_matches(patterns, text, context, traits, gate, found, use_literals); });
}

// False only when no piece of `text` (no substring) can yield a match: every row that
// passes its context and character pre-filters is anchor-free and its expression matches
// nowhere in `text`. Minimum lengths are not looked at.
bool some_piece_may_match(std::span<const Pattern> patterns, const Gate& gate,
                          std::string_view text, std::uint8_t context,
                          const rules::InputTraits& traits);

}  // namespace sorvane::evaluation::match_engine
