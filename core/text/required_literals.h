// Literals that every match of an expression must contain, read from its source.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sorvane::text {

// A set of lowercase ASCII literals, at least one of which occurs (ASCII case folded) in
// every text the expression `source` matches anywhere; none when the source gives no such
// set. The reading is conservative: whatever it does not fully understand (character
// classes it cannot list, escapes of letters, non-ASCII bytes, letters whose case folding
// reaches beyond ASCII, optional or repeated parts) constrains nothing, so a set is never
// missing a literal that some match holds. Literals shorter than `min_len` bytes leave the
// expression without a set.
std::optional<std::vector<std::string>> required_literals(std::string_view source,
                                                          std::size_t min_len = 2);

}  // namespace sorvane::text
