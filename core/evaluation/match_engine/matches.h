// Runs a compiled pattern table against one text.
#pragma once

#include <cstdint>
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

}  // namespace sorvane::evaluation::match_engine
