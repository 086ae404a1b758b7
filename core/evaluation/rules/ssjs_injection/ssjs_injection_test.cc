#include "core/evaluation/rules/ssjs_injection/ssjs_injection.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/evaluation/rules/rule_testing.h"

namespace sorvane::evaluation::rules::ssjs_injection {
namespace {

using testing::matched_ids;
using Ids = std::vector<std::string_view>;
constexpr std::uint8_t kJsonValue = 6;

const std::string kJsfuck = "(!![]+[])[!+[]+!+[]+!+[]]";

TEST(SsjsInjection, Matches) {
  testing::expect_ids(instance(), kJsonValue, {
      {"process.env", {"SSJS-I-NODE-2"}},
      {"process['argv']", {"SSJS-I-NODE-2"}},
      {"require('child_process')", {"SSJS-I-NODE-0"}},
      {"require(\"fs\")", {"SSJS-I-NODE-0"}},
      {"require('left-pad')", {}},
      {"module.exports", {"SSJS-I-NODE-1"}},
      {"process.exit(1)", {"SSJS-I-NODE-3"}},
      {"if(x)", {"SSJS-I-0"}},
      {"eval(x)", {"SSJS-I-2"}},
      {"new Function (a)", {"SSJS-I-2"}},
      {"a.prototype.b = 1", {"SSJS-I-3"}},
      {"x=.constructor", {"SSJS-I-4"}},
      {"Object.keys(x)", {"SSJS-I-5"}},
      {"cp.exec('id')", {"SSJS-EXEC-SPAWN"}},
      {"fs.readFileSync(p)", {"SSJS-BUILTIN-METHODS"}},
      {"__dirname", {"SSJS-MISC"}},
      {"__filename", {"SSJS-MISC"}},
      {"object.keys", {}},  // "Object" is case-sensitive
      {kJsfuck, {}},        // too short for its row
      {kJsfuck + std::string(1286 - kJsfuck.size(), ' '), {"JSFCK-1"}},
      {std::string(1285 - kJsfuck.size(), ' ') + kJsfuck, {}},
  });
}

// Letters and digits only, or no character any row needs, or below 4 bytes: none.
TEST(SsjsInjection, GuardAndMinimumLength) {
  for (const char* text : {"", "processenv", "process env", "a-b c", "if(", "__"}) {
    EXPECT_EQ(matched_ids(instance(), text, kJsonValue), Ids{}) << text;
  }
}

TEST(SsjsInjection, Score) {
  EXPECT_EQ(instance().score(testing::levels({1})), 10.0);
  EXPECT_EQ(instance().score(testing::levels({1, 2})), 90.0);
  EXPECT_EQ(instance().score(testing::levels({3})), 90.0);
  EXPECT_EQ(instance().score(testing::levels({0})), 0.0);
  EXPECT_EQ(instance().score({}), 0.0);
}

}  // namespace
}  // namespace sorvane::evaluation::rules::ssjs_injection
