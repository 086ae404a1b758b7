// A MongoDB operator key found in a JSON body.
#pragma once

#include <string_view>
#include <vector>

namespace sorvane::evaluation::rules::mongo {

// `path` holds views into the body: the keys of the enclosing objects, then the operator key
// itself, each as written between its quotation marks.
struct QueryClause {
  std::vector<std::string_view> path;
  double score = 10.0;
  bool operator==(const QueryClause&) const = default;
};

}  // namespace sorvane::evaluation::rules::mongo
