#include "core/evaluation/rules/mongo/mongo.h"

#include <gtest/gtest.h>

#include "core/evaluation/rules/rule_testing.h"

namespace sorvane::evaluation::rules::mongo {
namespace {

constexpr std::uint8_t kJsonValue = 6;

TEST(NosqlInjectionMongo, Matches) {
  testing::expect_ids(instance(), kJsonValue, {
      {"' || '1'=='1", {"TRUE-CLAUSE-1"}},
      {"a|b'cde", {"TRUE-CLAUSE-1"}},  // any bar with any quote, 7 bytes or more
      {"a|b`cde", {"TRUE-CLAUSE-1"}},
      {"a|b\"cde", {"TRUE-CLAUSE-1"}},
      {"a|b'cd", {}},                  // 6 bytes
      {"a|bcdef", {}},                 // no quote
      {"a'bcdef", {}},                 // no bar
      {"sleep(5000)", {"MONGO-SLEEP"}},
      {"sleep ( 0x10 * 2 )", {"MONGO-SLEEP"}},
      {"sleep(Number.MAX_SAFE_INTEGER)", {"MONGO-SLEEP"}},
      {"sleep(x)", {}},
      {"1' || sleep(1) ", {"TRUE-CLAUSE-1", "MONGO-SLEEP"}},
      {"abcdefgh", {}},                // letters only: guard
  });
}

TEST(NosqlInjectionMongo, ScoreIsAlwaysTen) {
  EXPECT_EQ(instance().score({}), 10.0);
  EXPECT_EQ(instance().score(testing::levels({1})), 10.0);
  EXPECT_EQ(instance().score(testing::levels({3, 2})), 10.0);
}

TEST(NosqlInjectionMongo, InputTypes) {
  for (int t = 0; t <= 15; ++t) {
    EXPECT_EQ(instance().applies_to_input_type(static_cast<InputType>(t)), ((0xEF5F >> t) & 1) != 0);
  }
  EXPECT_TRUE(instance().applies_to_input_type(InputType::RawBody));
  EXPECT_FALSE(instance().applies_to_input_type(InputType::JsonKey));
}

}  // namespace
}  // namespace sorvane::evaluation::rules::mongo
