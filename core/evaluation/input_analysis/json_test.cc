#include "core/evaluation/input_analysis/json.h"

#include "core/evaluation/input_analysis/input.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace sorvane::evaluation::input_analysis::json {
namespace {

using rules::RuleType;
using rules::mongo::QueryClause;
using Path = std::vector<std::string_view>;
using namespace std::string_literals;

std::vector<QueryClause> clauses_of(const JsonOutcome& outcome) {
  std::vector<QueryClause> clauses;
  for (const JsonResult& result : std::get<std::vector<JsonResult>>(outcome)) {
    if (const auto* clause = std::get_if<QueryClause>(&result)) clauses.push_back(*clause);
  }
  return clauses;
}

TEST(CheckJson, QueryClausesForOperatorKeys) {
  struct Case {
    std::string body;
    std::vector<RuleType> rules;
    std::vector<Path> paths;
  };
  const Case cases[] = {
      {R"({"$where":"x"})", {32}, {{"$where"}}},
      {R"({"$where":"x"})", {8, 16}, {}},
      {R"({"$where":"x"})", {8, 32, 16}, {{"$where"}}},
      {R"({"$where":"x"})", {}, {}},
      {R"({"a":{"$gt":""}})", {32}, {{"a", "$gt"}}},
      // Case-sensitive, exact, escapes as written; values are never clauses.
      {R"({"$WHERE":1,"where":2,"$gt ":3,"\u0024gt":4,"k":"$gt"})", {32}, {}},
      // Every occurrence counts, inside arrays too; arrays add nothing to the path.
      {R"([{"$ne":1},{"q":[{"$in":[]},{"$ne":{"$gt":0}}]}])", {32},
       {{"$ne"}, {"q", "$in"}, {"q", "$ne"}, {"q", "$ne", "$gt"}}},
      {R"({"body":{"init":"x"},"b":{"mapReduce":1}})", {32},
       {{"body"}, {"body", "init"}, {"b", "mapReduce"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.body);
    std::vector<QueryClause> expected;
    for (const Path& path : c.paths) expected.push_back({path, 10.0});
    EXPECT_EQ(clauses_of(check_json(c.body, c.rules, false)), expected);
  }
}

TEST(CheckJson, PathsAreViewsIntoTheBody) {
  const std::string body = R"({"a\"b":{"$gt":"c\u0041"}})";
  const std::vector<RuleType> rules = {32};
  auto clauses = clauses_of(check_json(body, rules, false));
  ASSERT_EQ(clauses.size(), 1u);
  ASSERT_EQ(clauses[0].path, (Path{"a\\\"b", "$gt"}));
  for (std::string_view key : clauses[0].path) {
    EXPECT_GE(key.data(), body.data());
    EXPECT_LE(key.data() + key.size(), body.data() + body.size());
  }
  EXPECT_EQ(clauses[0].path[1].data(), body.data() + body.find("$gt"));
}

TEST(CheckJson, InvalidJsonAnswersTheErrorAndNoResults) {
  struct Case {
    std::string body;
    std::vector<RuleType> rules;
    std::string message;
  };
  const Case cases[] = {
      {R"({"$where":"x"} x)", {32}, "Unexpected token x in JSON at position 16"},
      {R"({"$where":"x"} x)", {}, "Unexpected token x in JSON at position 16"},
      {R"({"$gt":1,"$ne" 2})", {32}, "missing colon"},
      {R"([{"$in":1})", {8, 32}, "final state is not ExpectNothing"},
      {"", {32}, "unexpected end of input"},
      {"{\"$where\":\"\0\"}"s, {32}, "Unexpected token \0 in JSON at position 12"s},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.body);
    JsonOutcome outcome = check_json(c.body, c.rules, false);
    const auto* error = std::get_if<sorvane::json::parse_error::ParseError>(&outcome);
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(error->details(), c.message);
  }
}

// Findings come from the single-input evaluation; what check_json adds is the order, the input
// type, the path and the value view. The expectation is built from check_input on each item.
TEST(CheckJson, FindingsCarryTypePathAndValueInDocumentOrder) {
  const std::string body =
      R"({"__proto__":{"$where":"1' OR 1=1 --"},"list":["../../etc/passwd",)"
      R"({"k":"; cat /etc/passwd"},"<script>alert(1)</script>"],"n":1,"t":true})";
  struct Item {
    std::string_view text;
    InputType type;
    Path path;
  };
  const Item items[] = {
      {"__proto__", InputType::JsonKey, {}},
      {"$where", InputType::JsonKey, {"__proto__"}},
      {"1' OR 1=1 --", InputType::JsonValue, {"__proto__", "$where"}},
      {"list", InputType::JsonKey, {}},
      {"../../etc/passwd", InputType::JsonValue, {"list"}},
      {"k", InputType::JsonKey, {"list"}},
      {"; cat /etc/passwd", InputType::JsonValue, {"list", "k"}},
      {"<script>alert(1)</script>", InputType::JsonValue, {"list"}},
      {"n", InputType::JsonKey, {}},
      {"t", InputType::JsonKey, {}},
  };
  const std::vector<RuleType> rules = {512, 2, 8, 4, 16, 32, 128};
  for (bool prefer_worth_watching : {false, true}) {
    SCOPED_TRACE(prefer_worth_watching);
    std::vector<JsonResult> expected;
    std::size_t findings = 0;
    for (const Item& item : items) {
      if (item.text == "$where") {
        expected.emplace_back(QueryClause{{"__proto__", "$where"}, 10.0});
      }
      for (rules::Finding& finding :
           input::check_input(item.text, item.type, rules, prefer_worth_watching)) {
        expected.emplace_back(JsonFinding{std::move(finding), item.path, item.text});
        ++findings;
      }
    }
    if (findings == 0) GTEST_SKIP() << "no rule reports findings on these inputs yet";
    JsonOutcome outcome = check_json(body, rules, prefer_worth_watching);
    ASSERT_TRUE(std::holds_alternative<std::vector<JsonResult>>(outcome));
    EXPECT_EQ(std::get<std::vector<JsonResult>>(outcome), expected);
  }
}

TEST(CheckJson, RuleFindingsAtTheirPaths) {
  auto finding = [](RuleType rule, std::string_view id, double score, InputType type) {
    return rules::Finding{{id}, score, rule, type};
  };
  const auto proto = [&](InputType type) {
    return finding(512, "PROTO-POLLUTION-1", 90.0, type);
  };
  struct Case {
    std::string body;
    std::vector<RuleType> rules;
    std::vector<JsonResult> expected;
  };
  const Case cases[] = {
      {R"(["__proto__",{"k":"__proto__"},{"a":{"__proto__":1}}])",
       {512},
       {JsonFinding{proto(InputType::JsonValue), {}, "__proto__"},
        JsonFinding{proto(InputType::JsonValue), {"k"}, "__proto__"},
        JsonFinding{proto(InputType::JsonKey), {"a"}, "__proto__"}}},
      // The clause of an operator key comes before the findings of its value.
      {R"j({"a":[{"$where":"sleep(1000)"}],"sleep(5)":"__proto__"})j",
       {32, 512},
       {QueryClause{{"a", "$where"}, 10.0},
        JsonFinding{finding(32, "MONGO-SLEEP", 10.0, InputType::JsonValue), {"a", "$where"},
                    "sleep(1000)"},
        JsonFinding{proto(InputType::JsonValue), {"sleep(5)"}, "__proto__"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.body);
    EXPECT_EQ(check_json(c.body, c.rules, false), JsonOutcome(c.expected));
    // The same findings are collected and then dropped when the text turns out invalid.
    const JsonOutcome invalid = check_json(c.body + "]", c.rules, false);
    ASSERT_TRUE(std::holds_alternative<sorvane::json::parse_error::ParseError>(invalid));
    EXPECT_TRUE(std::get<sorvane::json::parse_error::ParseError>(invalid).details().starts_with(
        "Token { id: CloseBracket"));
  }
}

TEST(CheckJson, BuildStrPathTakesTheFirstKeys) {
  const std::string body = R"({"ab":{"c":1}})";
  using sorvane::json::lexemes::Token;
  using sorvane::json::lexemes::TokenType;
  const std::vector<Token> keys = {Token{TokenType::String, 1, 5, 1, 5, {}},
                                   Token{TokenType::String, 7, 10, 7, 10, {}}};
  EXPECT_EQ(build_str_path(body, keys, 2), (Path{"ab", "c"}));
  EXPECT_EQ(build_str_path(body, keys, 1), (Path{"ab"}));
  EXPECT_EQ(build_str_path(body, keys, 0), Path{});
  // A count beyond the tokens given stops at the last of them.
  EXPECT_EQ(build_str_path(body, std::span(keys).first(1), 2), (Path{"ab"}));
  EXPECT_EQ(build_str_path(body, {}, 3), Path{});
}

}  // namespace
}  // namespace sorvane::evaluation::input_analysis::json
