// Runs a compiled pattern table against one text.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "core/evaluation/match_engine/pattern.h"
#include "core/evaluation/rules/input_traits.h"

namespace sorvane::evaluation::match_engine {

// Every pattern whose pre-filters pass and whose expression matches, in table order;
// none instead of an empty list.
std::optional<std::vector<rules::PatternMatch>> get_matches(std::span<const Pattern> patterns,
                                                            std::string_view text,
                                                            std::uint8_t context,
                                                            const rules::InputTraits& traits);

// The same answer, with `gate` (nullptr or the table's expressions compiled in table
// order into one set) sparing the rows' own expressions on a text that none of them
// matches: when two or more rows pass their pre-filters, one pass of the set decides
// whether any expression needs to run.
std::optional<std::vector<rules::PatternMatch>> get_matches(std::span<const Pattern> patterns,
                                                            std::string_view text,
                                                            std::uint8_t context,
                                                            const rules::InputTraits& traits,
                                                            const text::RegexSet* gate);

// The table's expressions in one set, for get_matches.
std::shared_ptr<const text::RegexSet> compile_gate_or_panic(std::span<const Pattern> patterns);

}  // namespace sorvane::evaluation::match_engine
