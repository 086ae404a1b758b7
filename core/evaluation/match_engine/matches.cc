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

std::optional<std::vector<rules::PatternMatch>> get_matches(std::span<const Pattern> patterns,
                                                            std::string_view text,
                                                            std::uint8_t context,
                                                            const rules::InputTraits& traits) {
  std::vector<rules::PatternMatch> found;
  for (const Pattern& p : patterns) {
    if (text.size() < p.min_len) continue;
    if (context_excluded(p.excluded_contexts, context)) continue;
    if (p.required_all &&
        !std::all_of(p.required_all->begin(), p.required_all->end(),
                     [&](char32_t c) { return traits.has_char(c); })) {
      continue;
    }
    if (p.required_any &&
        std::none_of(p.required_any->begin(), p.required_any->end(),
                     [&](char32_t c) { return traits.has_char(c); })) {
      continue;
    }
    if (p.regex->is_match(text)) found.push_back({p.id, p.level});
  }
  if (found.empty()) return std::nullopt;
  return found;
}

}  // namespace sorvane::evaluation::match_engine
