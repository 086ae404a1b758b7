#include "core/evaluation/match_engine/matches.h"

#include <algorithm>

#include "core/fatal_error.h"

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

ConvertResult convert_proto_regexes(std::span<const ProtoPattern> table) {
  ConvertResult result;
  result.patterns.reserve(table.size());
  for (const ProtoPattern& row : table) {
    std::string message;
    auto regex = text::Regex::try_compile(row.regex, &message);
    if (!regex) {
      result.patterns.clear();
      result.error = CompileError{row.id, std::move(message)};
      return result;
    }
    result.patterns.push_back(Pattern{row.id, std::move(regex), row.required_all, row.required_any,
                                      row.min_len, row.excluded_contexts, row.level});
  }
  return result;
}

std::vector<Pattern> compile_table_or_panic(std::span<const ProtoPattern> table) {
  ConvertResult result = convert_proto_regexes(table);
  if (result.error) {
    panic_formatted("pattern " + std::string(result.error->id) +
                    " does not compile: " + result.error->message);
  }
  return std::move(result.patterns);
}

namespace {

// Steps 1 to 4 of a row: length, context and character pre-filters.
bool passes_prefilters(const Pattern& p, std::string_view text, std::uint8_t context,
                       const rules::InputTraits& traits) {
  if (text.size() < p.min_len) return false;
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
                                                            const text::RegexSet* gate) {
  constexpr std::size_t kMaxRows = 64;
  if (!gate || gate->size() != patterns.size() || patterns.size() > kMaxRows) {
    return get_matches(patterns, text, context, traits);
  }
  std::uint64_t candidates = 0;
  int count = 0;
  for (std::size_t i = 0; i < patterns.size(); ++i) {
    if (passes_prefilters(patterns[i], text, context, traits)) {
      candidates |= std::uint64_t{1} << i;
      ++count;
    }
  }
  if (count == 0) return std::nullopt;
  // With one candidate its own expression is the cheaper pass; an undecided set pass
  // leaves every candidate to its own expression.
  if (count > 1 && gate->any_match(text) == false) return std::nullopt;

  std::vector<rules::PatternMatch> found;
  for (std::size_t i = 0; i < patterns.size(); ++i) {
    if (!((candidates >> i) & 1)) continue;
    const Pattern& p = patterns[i];
    if (p.regex->is_match(text)) found.push_back({p.id, p.level});
  }
  if (found.empty()) return std::nullopt;
  return found;
}

std::shared_ptr<const text::RegexSet> compile_gate_or_panic(std::span<const Pattern> patterns) {
  std::vector<std::string_view> sources;
  sources.reserve(patterns.size());
  for (const Pattern& p : patterns) sources.push_back(p.regex->pattern());
  std::string message;
  std::shared_ptr<const text::RegexSet> gate = text::RegexSet::try_compile(sources, &message);
  if (!gate) panic_formatted("pattern table does not compile into one set: " + message);
  return gate;
}

}  // namespace sorvane::evaluation::match_engine
