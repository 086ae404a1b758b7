#include "core/evaluation/rules/mongo/query_type.h"

#include <algorithm>
#include <array>

namespace sorvane::evaluation::rules::mongo {
namespace {

constexpr std::array<std::string_view, 27> kQueryTypes = {
    "$ne",    "$gt",   "$lt",    "$eq",       "$in",       "$or",       "$gte",
    "$lte",   "$nin",  "$mod",   "$all",      "init",      "body",      "$size",
    "$type",  "$keyf", "merge",  "$expr",     "$slice",    "$where",    "$exists",
    "$reduce", "mapReduce", "$finalize", "$function", "accumulate", "accumulator"};

}  // namespace

bool is_query_type(std::string_view key) {
  if (key.size() < 3 || key.size() > 11) return false;
  return std::find(kQueryTypes.begin(), kQueryTypes.end(), key) != kQueryTypes.end();
}

}  // namespace sorvane::evaluation::rules::mongo
