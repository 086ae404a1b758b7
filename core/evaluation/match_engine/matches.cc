#include "core/evaluation/match_engine/matches.h"

#include <algorithm>
#include <bit>
#include <string>

#include "core/fatal_error.h"
#include "core/log/log.h"
#include "core/text/required_literals.h"

namespace sorvane::evaluation::match_engine {
namespace {

bool context_excluded(const ContextList& excluded, std::uint8_t context) {
  if (!excluded) return false;
  for (std::uint8_t entry : *excluded) {
    if (context != 0 ? entry == context : (entry == 0 || entry == 4)) return true;
  }
  return false;
}

}  // namespace

Expected<std::vector<Pattern>, CompileError> convert_proto_regexes(
    std::span<const ProtoPattern> table) {
  std::vector<Pattern> patterns;
  patterns.reserve(table.size());
  for (const ProtoPattern& row : table) {
    auto regex = text::Regex::try_compile(row.regex);
    if (!regex) return Unexpected{CompileError{row.id, std::move(regex).error()}};
    patterns.push_back(Pattern{row.id, std::move(*regex), row.required_all, row.required_any,
                               row.min_len, row.excluded_contexts, row.level});
  }
  return patterns;
}

std::vector<Pattern> compile_table_or_panic(std::span<const ProtoPattern> table) {
  auto result = convert_proto_regexes(table);
  if (!result) {
    panic_formatted("pattern " + std::string(result.error().id) +
                    " does not compile: " + result.error().message);
  }
  return std::move(result).value();
}

CharFilter char_filter(const CharList& required_all, const CharList& required_any) {
  CharFilter f;
  auto add = [](std::uint64_t& lo, std::uint64_t& hi, char32_t c) {
    (c < 64 ? lo : hi) |= std::uint64_t{1} << (c & 63);
  };
  if (required_all) {
    for (char32_t c : *required_all) {
      if (c >= 128) f.all_never = true;
      else add(f.all_lo, f.all_hi, c);
    }
  }
  if (required_any) {
    f.has_any = true;
    for (char32_t c : *required_any) {
      if (c < 128) add(f.any_lo, f.any_hi, c);
    }
  }
  return f;
}

namespace {

// Bits 0 to n - 1 (n at most 64).
std::uint64_t first_rows(std::size_t n) {
  return n == 0 ? 0 : ~std::uint64_t{0} >> (kMaxGateRows - n);
}

// A row's context and character pre-filters.
bool passes_char_filters(const Pattern& p, std::uint8_t context,
                         const rules::InputTraits& traits) {
  if (context_excluded(p.excluded_contexts, context)) return false;
  if (p.required_all &&
      !std::all_of(p.required_all->begin(), p.required_all->end(),
                   [&](char32_t c) { return traits.has_char(c); })) {
    return false;
  }
  if (p.required_any &&
      std::none_of(p.required_any->begin(), p.required_any->end(),
                   [&](char32_t c) { return traits.has_char(c); })) {
    return false;
  }
  return true;
}

// A row's pre-filters: minimum length, then context and characters.
bool passes_prefilters(const Pattern& p, std::string_view text, std::uint8_t context,
                       const rules::InputTraits& traits) {
  return text.size() >= p.min_len && passes_char_filters(p, context, traits);
}

// Whether the expression's source holds no anchor and no word boundary: no "^" or "$"
// outside a bracket expression, and no \b, \B, \A or \z anywhere.
bool is_anchor_free(std::string_view source) {
  bool in_class = false;
  for (std::size_t i = 0; i < source.size(); ++i) {
    const char c = source[i];
    if (c == '\\') {
      if (++i >= source.size()) return false;
      const char e = source[i];
      if (e == 'b' || e == 'B' || e == 'A' || e == 'z') return false;
      continue;
    }
    if (in_class) {
      if (c == ']') in_class = false;
      continue;
    }
    if (c == '^' || c == '$') return false;
    if (c == '[') {
      in_class = true;
      // A "^" right behind negates; a "]" first in the class is a member.
      if (i + 1 < source.size() && source[i + 1] == '^') ++i;
      if (i + 1 < source.size() && source[i + 1] == ']') ++i;
    }
  }
  return true;
}

CharFilter char_filter(const Pattern& p) {
  return match_engine::char_filter(p.required_all, p.required_any);
}

// passes_prefilters through the row's bit sets.
bool passes_gate_filters(const Pattern& p, const CharFilter& f, std::size_t size,
                         std::uint8_t context, const rules::InputTraits& traits) {
  if (size < p.min_len || !passes_char_filter(f, traits)) return false;
  return !context_excluded(p.excluded_contexts, context);
}

}  // namespace

void get_matches(std::span<const Pattern> patterns, std::string_view text, std::uint8_t context,
                 const rules::InputTraits& traits, std::vector<rules::PatternMatch>& found) {
  for (const Pattern& p : patterns) {
    if (!passes_prefilters(p, text, context, traits)) continue;
    if (p.regex->is_match(text)) found.push_back({p.id, p.level});
  }
}

void matches_of_rows(std::span<const Pattern> patterns, std::string_view text,
                     std::uint8_t context, const rules::InputTraits& traits,
                     std::uint64_t matching, std::vector<rules::PatternMatch>& found) {
  // Only the rows of `matching` are visited, lowest first.
  for (std::uint64_t left = matching & first_rows(std::min(patterns.size(), kMaxGateRows));
       left != 0; left &= left - 1) {
    const Pattern& p = patterns[static_cast<std::size_t>(std::countr_zero(left))];
    if (passes_prefilters(p, text, context, traits)) found.push_back({p.id, p.level});
  }
}

void matches_of_rows(std::span<const Pattern> patterns, const Gate& gate, std::string_view text,
                     std::uint8_t context, const rules::InputTraits& traits,
                     std::uint64_t matching, std::vector<rules::PatternMatch>& found) {
  if (gate.filters.size() != patterns.size()) {
    return matches_of_rows(patterns, text, context, traits, matching, found);
  }
  for (std::uint64_t left =
           rows_passing_prefilters(patterns, gate, text.size(), context, traits, matching);
       left != 0; left &= left - 1) {
    const Pattern& p = patterns[static_cast<std::size_t>(std::countr_zero(left))];
    found.push_back({p.id, p.level});
  }
}

void get_matches(std::span<const Pattern> patterns, std::string_view text, std::uint8_t context,
                 const rules::InputTraits& traits, const Gate& gate,
                 std::vector<rules::PatternMatch>& found, bool use_literals) {
  if (!gate.set || gate.set->size() != patterns.size() || gate.filters.size() != patterns.size()) {
    return get_matches(patterns, text, context, traits, found);
  }
  std::uint64_t candidates = 0;
  for (std::size_t i = 0; i < patterns.size(); ++i) {
    if (passes_gate_filters(patterns[i], gate.filters[i], text.size(), context, traits)) {
      candidates |= std::uint64_t{1} << i;
    }
  }
  if (candidates == 0) return;
  // With two or more candidates, the literal search may spare the set's pass; one
  // candidate's own expression costs no more than the search, but on a short text the
  // search costs less than any pass of an expression.
  const bool searched = (text.size() <= kShortText || (use_literals && !at_most_one(candidates))) &&
                        (candidates & gate.literal_rows) != 0;
  if (searched) {
    candidates = admitted_by_literals(gate, text, candidates);
    if (candidates == 0) return;
  }
  // With one candidate its own expression is the cheaper pass. Otherwise a first pass of
  // the set tells whether any expression matches (most texts: none); a pass that tells
  // which ones does so as the rows' own expressions would, so those candidates are the
  // matches. A text whose literals left two rows or more mostly matches: it takes the
  // second pass alone. An undecided pass leaves the candidates to their own expressions.
  if (!at_most_one(candidates)) {
    const std::optional<bool> any = searched ? true : gate.set->any_match(text);
    if (any == false) return;
    if (any == true) {
      if (const auto matching = gate.set->matching(text)) {
        std::uint64_t matched = 0;
        for (std::size_t i : *matching) matched |= std::uint64_t{1} << i;
        for (candidates &= matched; candidates != 0; candidates &= candidates - 1) {
          const Pattern& p = patterns[static_cast<std::size_t>(std::countr_zero(candidates))];
          found.push_back({p.id, p.level});
        }
        return;
      }
    }
  }

  for (; candidates != 0; candidates &= candidates - 1) {
    const Pattern& p = patterns[static_cast<std::size_t>(std::countr_zero(candidates))];
    if (p.regex->is_match(text)) found.push_back({p.id, p.level});
  }
}

bool every_row_anchor_free(const Gate& gate, std::size_t row_count) {
  if (row_count == 0 || row_count > kMaxGateRows) return false;
  return gate.anchor_free == first_rows(row_count);
}

PrefilterNeeds prefilter_needs(std::span<const Pattern> patterns) {
  PrefilterNeeds needs;
  for (const Pattern& p : patterns) {
    const CharFilter f = char_filter(p);
    // A row passes only with one of its "any" characters, or with all of its "all" ones
    // (so with any one of them); a character beyond ASCII is never present.
    PrefilterNeeds::Need row;
    if (f.all_never || (f.has_any && f.any_lo == 0 && f.any_hi == 0)) continue;
    if (f.has_any) {
      row.lo = f.any_lo;
      row.hi = f.any_hi;
    } else if (f.all_lo != 0 || f.all_hi != 0) {
      row.lo = f.all_lo;
      row.hi = f.all_hi;
    } else {
      row.always = true;
    }
    for (std::size_t n = std::min(p.min_len, PrefilterNeeds::kLengths);
         n <= PrefilterNeeds::kLengths; ++n) {
      PrefilterNeeds::Need& need = needs.by_length[n];
      need.lo |= row.lo;
      need.hi |= row.hi;
      need.always = need.always || row.always;
    }
  }
  return needs;
}

std::uint64_t rows_passing_prefilters(std::span<const Pattern> patterns, const Gate& gate,
                                      std::size_t size, std::uint8_t context,
                                      const rules::InputTraits& traits, std::uint64_t rows) {
  std::uint64_t passing = 0;
  const std::size_t count = std::min({patterns.size(), gate.filters.size(), kMaxGateRows});
  for (std::uint64_t left = rows & first_rows(count); left != 0; left &= left - 1) {
    const auto i = static_cast<std::size_t>(std::countr_zero(left));
    if (passes_gate_filters(patterns[i], gate.filters[i], size, context, traits)) {
      passing |= std::uint64_t{1} << i;
    }
  }
  return passing;
}

namespace {

void add_char(rules::CharMask& mask, unsigned c) {
  (c < 64 ? mask.lo : mask.hi) |= std::uint64_t{1} << (c & 63);
}

// The union of `table`'s entries at the characters of `chars` (bits as in CharMask).
std::uint64_t rows_at(const std::array<std::uint64_t, 128>& table, std::uint64_t lo,
                      std::uint64_t hi) {
  std::uint64_t rows = 0;
  for (; lo != 0; lo &= lo - 1) rows |= table[std::countr_zero(lo)];
  for (; hi != 0; hi &= hi - 1) rows |= table[64 + std::countr_zero(hi)];
  return rows;
}

}  // namespace

std::uint64_t ShortTextFilters::passing(std::size_t size, std::uint8_t context,
                                        const rules::InputTraits& traits,
                                        std::uint64_t rows) const {
  if (size >= kLengths) panic("short-text filters asked for a long text");
  std::uint64_t pass = rows & by_length[size] & by_context[context] & ~never;
  pass &= ~rows_at(all_of, all_chars.lo & ~traits.ascii_lo, all_chars.hi & ~traits.ascii_hi);
  pass &= ~any_rows | rows_at(any_of, any_chars.lo & traits.ascii_lo,
                              any_chars.hi & traits.ascii_hi);
  return pass;
}

ShortTextFilters short_text_filters(std::span<const Pattern> patterns) {
  ShortTextFilters filters;
  for (std::size_t i = 0; i < std::min(patterns.size(), kMaxGateRows); ++i) {
    const Pattern& p = patterns[i];
    const std::uint64_t bit = std::uint64_t{1} << i;
    for (std::size_t n = p.min_len; n < ShortTextFilters::kLengths; ++n) filters.by_length[n] |= bit;
    for (unsigned c = 0; c < filters.by_context.size(); ++c) {
      if (!context_excluded(p.excluded_contexts, static_cast<std::uint8_t>(c))) {
        filters.by_context[c] |= bit;
      }
    }
    const CharFilter f = char_filter(p);
    if (f.all_never) filters.never |= bit;
    if (f.has_any) filters.any_rows |= bit;
    for (unsigned c = 0; c < 128; ++c) {
      const bool in_all = ((c < 64 ? f.all_lo : f.all_hi) >> (c & 63)) & 1;
      const bool in_any = ((c < 64 ? f.any_lo : f.any_hi) >> (c & 63)) & 1;
      if (in_all) {
        filters.all_of[c] |= bit;
        add_char(filters.all_chars, c);
      }
      if (in_any) {
        filters.any_of[c] |= bit;
        add_char(filters.any_chars, c);
      }
      if (in_all || in_any) add_char(filters.named_chars, c);
    }
  }
  return filters;
}

std::uint64_t admitted_by_literals(const Gate& gate, std::string_view text, std::uint64_t rows) {
  if (!gate.literals) return rows;
  const std::uint64_t waiting = rows & gate.literal_rows;
  const std::uint64_t admitted = rows & ~gate.literal_rows;
  if (waiting == 0) return admitted;
  std::uint64_t found = 0;
  gate.literals->for_each_longest_end(text, [&](std::size_t, std::size_t literal) {
    found |= gate.admits[literal];
    return (waiting & ~found) != 0;
  });
  return admitted | (waiting & found);
}

bool some_piece_may_match(std::span<const Pattern> patterns, const Gate& gate,
                          std::string_view text, std::uint8_t context,
                          const rules::InputTraits& traits) {
  if (!gate.set || gate.set->size() != patterns.size()) return true;
  std::uint64_t candidates = 0;
  for (std::size_t i = 0; i < patterns.size(); ++i) {
    if (!passes_char_filters(patterns[i], context, traits)) continue;
    if (!((gate.anchor_free >> i) & 1)) return true;
    candidates |= std::uint64_t{1} << i;
  }
  if (candidates == 0) return false;
  const auto matching = gate.set->matching(text);
  if (!matching) return true;
  for (std::size_t i : *matching) {
    if ((candidates >> i) & 1) return true;
  }
  return false;
}

namespace {

// The literal search of the rows whose expressions name literals every match contains.
void add_literals(Gate& gate, std::span<const Pattern> patterns) {
  std::vector<std::string> literals;
  std::vector<std::uint64_t> own;  // per literal: the rows that name it
  for (std::size_t i = 0; i < patterns.size(); ++i) {
    auto required = text::required_literals(patterns[i].regex->pattern());
    if (!required) continue;
    gate.literal_rows |= std::uint64_t{1} << i;
    for (std::string& literal : *required) {
      const auto at = std::find(literals.begin(), literals.end(), literal);
      if (at == literals.end()) {
        literals.push_back(std::move(literal));
        own.push_back(std::uint64_t{1} << i);
      } else {
        own[at - literals.begin()] |= std::uint64_t{1} << i;
      }
    }
  }
  if (literals.empty()) return;
  // A literal's occurrence is an occurrence of every literal inside it (all lower case).
  gate.admits = own;
  for (std::size_t a = 0; a < literals.size(); ++a) {
    for (std::size_t b = 0; b < literals.size(); ++b) {
      if (a != b && literals[a].find(literals[b]) != std::string::npos) gate.admits[a] |= own[b];
    }
  }
  const std::vector<std::string_view> views(literals.begin(), literals.end());
  gate.literals = std::make_shared<const text::AhoCorasick>(views, text::MatchKind::Standard, true);
}

}  // namespace

Gate compile_gate(std::span<const Pattern> patterns) {
  Gate gate;
  if (patterns.size() > kMaxGateRows) return gate;
  std::vector<std::string_view> sources;
  sources.reserve(patterns.size());
  for (std::size_t i = 0; i < patterns.size(); ++i) {
    const std::string& source = patterns[i].regex->pattern();
    sources.push_back(source);
    if (is_anchor_free(source)) gate.anchor_free |= std::uint64_t{1} << i;
    gate.filters.push_back(char_filter(patterns[i]));
  }
  add_literals(gate, patterns);
  // Every row compiled on its own, so only the budget of the combined program can fail.
  auto set = text::RegexSet::try_compile(sources);
  if (set) {
    gate.set = std::move(*set);
  } else {
    SORVANE_DEBUG("sorvane::evaluation::match_engine", "pattern table runs without a set: {}",
                  set.error());
  }
  return gate;
}

}  // namespace sorvane::evaluation::match_engine
