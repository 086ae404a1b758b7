// Rewrites a pattern into the engine's own syntax so that \d, \s, \w (and their negations,
// inside and outside brackets) and \b follow Unicode instead of ASCII.
#pragma once

#include <string>
#include <string_view>

#include "core/expected.h"

namespace sorvane::text::regex_translate {

struct Translation {
  std::string pattern;
  // A \b was turned into a form that consumes the neighbouring character. The answer of an
  // unanchored is-match test is exact; match spans and captures are not.
  bool is_match_only = false;
};

// The translated pattern, or a message when the pattern is malformed or holds a \b (or \B)
// that cannot be translated exactly.
Expected<Translation, std::string> translate(std::string_view pattern);

}  // namespace sorvane::text::regex_translate
