#include "core/evaluation/rules/mongo/query_type.h"

#include <gtest/gtest.h>

#include <string>

namespace sorvane::evaluation::rules::mongo {
namespace {

TEST(MongoQueryType, OperatorNames) {
  struct Case {
    std::string key;
    bool query_type;
  };
  const Case cases[] = {
      {"$where", true},     {"$gt", true},       {"body", true},        {"init", true},
      {"mapReduce", true},  {"$ne", true},       {"$expr", true},       {"accumulator", true},
      {"accumulate", true}, {"$function", true}, {"$exists", true},     {"merge", true},
      {"$WHERE", false},    {"where", false},    {"$regex", false},     {"$and", false},
      {"$not", false},      {"", false},         {"$", false},          {"$gt ", false},
      {"Body", false},      {"mapreduce", false}, {"accumulators", false},
      {std::string("$ne\0", 4), false},
      // Keys that start like a name and are none.
      {"bodyText", false},  {"initial", false},  {"merger", false},     {"amount", false},
      {"description", false}, {"id", false},     {"$gtx", false},
      {"\xC3\xA9t\xC3\xA9", false},
  };
  for (const Case& c : cases) EXPECT_EQ(is_query_type(c.key), c.query_type) << c.key;
}

}  // namespace
}  // namespace sorvane::evaluation::rules::mongo
