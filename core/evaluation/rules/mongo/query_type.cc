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

// The first bytes of the names: most keys start with none of them.
constexpr std::array<bool, 256> kFirstBytes = [] {
  std::array<bool, 256> table{};
  for (std::string_view name : kQueryTypes) table[static_cast<unsigned char>(name.front())] = true;
  return table;
}();

}  // namespace

bool is_query_type(std::string_view key) {
  if (key.size() < 3 || key.size() > 11 || !kFirstBytes[static_cast<unsigned char>(key.front())]) {
    return false;
  }
  return std::find(kQueryTypes.begin(), kQueryTypes.end(), key) != kQueryTypes.end();
}

}  // namespace sorvane::evaluation::rules::mongo
