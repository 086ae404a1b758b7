#include "core/evaluation/match_engine/matches.h"

#include <algorithm>

#include "core/fatal_error.h"
#include "core/log/log.h"

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

namespace {

constexpr std::size_t kMaxGateRows = 64;

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

Gate::CharFilter char_filter(const Pattern& p) {
  Gate::CharFilter f;
  auto add = [](std::uint64_t& lo, std::uint64_t& hi, char32_t c) {
    (c < 64 ? lo : hi) |= std::uint64_t{1} << (c & 63);
  };
  if (p.required_all) {
    for (char32_t c : *p.required_all) {
      if (c >= 128) f.all_never = true;
      else add(f.all_lo, f.all_hi, c);
    }
  }
  if (p.required_any) {
    f.has_any = true;
    for (char32_t c : *p.required_any) {
      if (c < 128) add(f.any_lo, f.any_hi, c);
    }
  }
  return f;
}

// passes_prefilters through the row's bit sets.
bool passes_gate_filters(const Pattern& p, const Gate::CharFilter& f, std::string_view text,
                         std::uint8_t context, const rules::InputTraits& traits) {
  if (text.size() < p.min_len || f.all_never) return false;
  if ((traits.ascii_lo & f.all_lo) != f.all_lo || (traits.ascii_hi & f.all_hi) != f.all_hi) {
    return false;
  }
  if (f.has_any && (traits.ascii_lo & f.any_lo) == 0 && (traits.ascii_hi & f.any_hi) == 0) {
    return false;
  }
  return !context_excluded(p.excluded_contexts, context);
}

}  // namespace

std::optional<std::vector<rules::PatternMatch>> get_matches(std::span<const Pattern> patterns,
                                                            std::string_view text,
                                                            std::uint8_t context,
                                                            const rules::InputTraits& traits) {
  std::vector<rules::PatternMatch> found;
  for (const Pattern& p : patterns) {
    if (!passes_prefilters(p, text, context, traits)) continue;
    if (p.regex->is_match(text)) found.push_back({p.id, p.level});
  }
  if (found.empty()) return std::nullopt;
  return found;
}

std::optional<std::vector<rules::PatternMatch>> get_matches(std::span<const Pattern> patterns,
                                                            std::string_view text,
                                                            std::uint8_t context,
                                                            const rules::InputTraits& traits,
                                                            const Gate& gate) {
  if (!gate.set || gate.set->size() != patterns.size() || gate.filters.size() != patterns.size()) {
    return get_matches(patterns, text, context, traits);
  }
  std::uint64_t candidates = 0;
  int count = 0;
  for (std::size_t i = 0; i < patterns.size(); ++i) {
    if (passes_gate_filters(patterns[i], gate.filters[i], text, context, traits)) {
      candidates |= std::uint64_t{1} << i;
      ++count;
    }
  }
  if (count == 0) return std::nullopt;
  // With one candidate its own expression is the cheaper pass. Otherwise a first pass of
  // the set tells whether any expression matches (most texts: none), a second which ones;
  // only those candidates are confirmed by their own expressions. An undecided pass leaves
  // the candidates as they are.
  if (count > 1) {
    const std::optional<bool> any = gate.set->any_match(text);
    if (any == false) return std::nullopt;
    if (any == true) {
      if (const auto matching = gate.set->matching(text)) {
        std::uint64_t matched = 0;
        for (std::size_t i : *matching) matched |= std::uint64_t{1} << i;
        candidates &= matched;
      }
    }
  }

  std::vector<rules::PatternMatch> found;
  for (std::size_t i = 0; i < patterns.size(); ++i) {
    if (!((candidates >> i) & 1)) continue;
    const Pattern& p = patterns[i];
    if (p.regex->is_match(text)) found.push_back({p.id, p.level});
  }
  if (found.empty()) return std::nullopt;
  return found;
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
