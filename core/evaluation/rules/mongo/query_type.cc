#include "core/evaluation/rules/mongo/query_type.h"

#include <algorithm>
#include <array>

namespace sorvane::evaluation::rules::mongo {

// Temporary stand-in until the rule's own implementation lands.
bool is_query_type(std::string_view key) {
  static constexpr std::array<std::string_view, 27> kNames = {
      "$ne",     "$gt",     "$lt",       "$eq",       "$in",        "$or",        "$gte",
      "$lte",    "$nin",    "$mod",      "$all",      "init",       "body",       "$size",
      "$type",   "$keyf",   "merge",     "$expr",     "$slice",     "$where",     "$exists",
      "$reduce", "mapReduce", "$finalize", "$function", "accumulate", "accumulator"};
  return std::find(kNames.begin(), kNames.end(), key) != kNames.end();
}

}  // namespace sorvane::evaluation::rules::mongo
