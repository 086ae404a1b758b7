#include "core/evaluation/input_analysis/json.h"

#include "core/evaluation/input_analysis/input.h"
#include "core/evaluation/input_analysis/testing/arbitrary.h"
#include "core/log/capture_for_testing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
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

std::string repeat(std::string_view unit, std::size_t times) {
  std::string text;
  for (std::size_t i = 0; i < times; ++i) text += unit;
  return text;
}

// `depth` objects nested through `key`, around `inner`.
std::string nested(std::string_view key, std::size_t depth, std::string_view inner = "1") {
  return repeat(R"({")" + std::string(key) + R"(":)", depth) + std::string(inner) +
         repeat("}", depth);
}

Path keys(std::string_view key, std::size_t count) { return Path(count, key); }

constexpr std::string_view kJsonTarget = "sorvane::evaluation::input_analysis::json";

// The results of an operator key and of a __proto__ key at `path`.
JsonResult mongo_key(Path path) { return QueryClause{std::move(path), 10.0}; }
JsonResult proto_key(Path path) {
  return JsonFinding{{{"PROTO-POLLUTION-1"}, 90.0, 512, InputType::JsonKey}, std::move(path),
                     "__proto__"};
}

// Key paths hold at most one key per two body bytes together: within that every path is
// whole; from the first path that does not fit on, each keeps only its last key, and one
// warning says how many were cut.
TEST(CheckJson, KeyPathsWithinTheBodysBudget) {
  struct Case {
    std::string name;
    std::string body;
    std::vector<RuleType> rules;
    std::vector<JsonResult> expected;
    std::size_t cut;
  };
  std::vector<Case> cases;
  {
    // 7 levels: 28 keys, the budget of a 57-byte body, all whole.
    Case c{"7 operators", nested("$ne", 7), {32}, {}, 0};
    for (std::size_t i = 1; i <= 7; ++i) c.expected.push_back(mongo_key(keys("$ne", i)));
    ASSERT_EQ(path_key_budget(c.body), 28u);
    cases.push_back(c);
    // 9 levels, 36 keys: the 8th path takes the last 8 and the 9th keeps its last key.
    c = {"9 operators", nested("$ne", 9), {32}, c.expected, 1};
    c.expected.push_back(mongo_key(keys("$ne", 8)));
    c.expected.push_back(mongo_key({"$ne"}));
    ASSERT_EQ(path_key_budget(c.body), 36u);
    cases.push_back(c);
  }
  {
    // A key's finding is reported at its object's path: 16 levels of __proto__ (a 225-byte
    // body, 112 keys) need 0 + 1 + ... + 15 = 120 keys; the 16th path (15 keys) finds 7 left.
    Case c{"16 __proto__ keys", nested("__proto__", 16), {512}, {}, 1};
    for (std::size_t i = 0; i < 15; ++i) c.expected.push_back(proto_key(keys("__proto__", i)));
    c.expected.push_back(proto_key({"__proto__"}));
    ASSERT_EQ(path_key_budget(c.body), 112u);
    cases.push_back(c);
  }
  {
    // Past the budget, paths of one key stay as they are and are not counted as cut, and a
    // later short path does not get its keys back although it would fit what is left.
    const std::string deep = nested("$ne", 20);
    Case c{"after the budget", R"({"$in":1,"a":)" + deep + R"(,"b":{"c":{"$gt":1}},"$or":[]})",
           {32}, {mongo_key({"$in"})}, 0};
    // 205 bytes, 102 keys: $in takes 1, [a, $ne] ... [a, $ne x 12] take 2 + ... + 13 = 90,
    // and [a, $ne x 13] (14 keys) finds 11 left.
    ASSERT_EQ(path_key_budget(c.body), 102u);
    for (std::size_t i = 1; i <= 20; ++i) {
      Path whole = keys("$ne", i);
      whole.insert(whole.begin(), "a");
      c.expected.push_back(mongo_key(i <= 12 ? whole : Path{"$ne"}));
    }
    c.expected.push_back(mongo_key({"$gt"}));
    c.expected.push_back(mongo_key({"$or"}));
    c.cut = 8 + 1;
    cases.push_back(c);
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    log::ScopedLogCapture capture(log::Level::Warn);
    JsonOutcome outcome = check_json(c.body, c.rules, false);
    ASSERT_TRUE(std::holds_alternative<std::vector<JsonResult>>(outcome));
    const auto& results = std::get<std::vector<JsonResult>>(outcome);
    EXPECT_EQ(results, c.expected);
    std::vector<log::CapturedRecord> expected_log;
    if (c.cut != 0) {
      expected_log.push_back(
          {log::Level::Warn, std::string(kJsonTarget),
           fmt::format("key paths of a {}-byte JSON body pass its budget of {} keys; paths cut "
                       "to their last key: {}",
                       c.body.size(), path_key_budget(c.body), c.cut)});
    }
    EXPECT_EQ(capture.records(), expected_log);
    // A cut path is the result's own last key, still a view of that key in the body.
    for (const JsonResult& result : results) {
      const Path& path = std::holds_alternative<QueryClause>(result)
                             ? std::get<QueryClause>(result).path
                             : std::get<JsonFinding>(result).path;
      for (std::string_view key : path) {
        EXPECT_TRUE(key.data() > c.body.data() && key.data() < c.body.data() + c.body.size());
      }
    }
  }
}

// A path that runs deeper than the one before it in the same objects, or is a leading part
// of it, shares that path's keys in the table; every result still has exactly the keys that
// enclose its text, whether it goes deeper, back up, into a sibling or across arrays.
TEST(CheckJson, PathsSharingKeysAreTheKeysEnclosingEachText) {
  struct Case {
    std::string body;
    std::vector<JsonResult> expected;
  };
  const Case cases[] = {
      {R"({"a":{"$gt":{"$ne":1},"__proto__":1,"$in":{"__proto__":{"$lt":2}}},"$or":[]})",
       {mongo_key({"a", "$gt"}), mongo_key({"a", "$gt", "$ne"}), proto_key({"a"}), mongo_key({"a", "$in"}),
        proto_key({"a", "$in"}), mongo_key({"a", "$in", "__proto__", "$lt"}), mongo_key({"$or"})}},
      {R"({"$ne":{"__proto__":{"$ne":1},"$ne":[{"$ne":2},{"b":{"$ne":3}}]}})",
       {mongo_key({"$ne"}), proto_key({"$ne"}), mongo_key({"$ne", "__proto__", "$ne"}),
        mongo_key({"$ne", "$ne"}), mongo_key({"$ne", "$ne", "$ne"}),
        mongo_key({"$ne", "$ne", "b", "$ne"})}},
      {R"([{"x":{"$gt":1}},{"x":{"$gt":1}},{"__proto__":{"__proto__":0}}])",
       {mongo_key({"x", "$gt"}), mongo_key({"x", "$gt"}), proto_key({}), proto_key({"__proto__"})}},
  };
  const std::vector<RuleType> rules = {32, 512};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.body);
    EXPECT_EQ(std::get<std::vector<JsonResult>>(check_json(c.body, rules, false)), c.expected);
  }
  // 48 nested levels fill the budget of 300 (1 + ... + 48 = 1,176 of 1,200 keys) in 48 keys;
  // the 252 cut paths take one each.
  const std::string body = nested("$ne", 300);
  ASSERT_EQ(path_key_budget(body), 1200u);
  const auto table = std::get<JsonResultTable>(check_json_table(body, rules, false));
  ASSERT_EQ(table.entries.size(), 300u);
  EXPECT_EQ(table.path(table.entries[47]).size(), 48u);
  EXPECT_EQ(table.path(table.entries[48]).size(), 1u);
  EXPECT_EQ(table.keys.size(), 300u);
}

// Hostile depth: 12,000 nested operator keys would make 72 million path keys; the results
// stay one per key, the first ones whole, and the keys within the body's size.
TEST(CheckJson, DeepOperatorKeysStayWithinTheBudget) {
  struct Case {
    std::string body;
    std::vector<RuleType> rules;
    std::size_t results;
  };
  const Case cases[] = {
      {nested("$ne", 12000), {32}, 12000},
      {nested("__proto__", 8000), {512}, 8000},
      {nested("$gt", 6000, R"(["__proto__"])"), {32, 512}, 6001},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.body.substr(0, 16));
    log::ScopedLogCapture capture(log::Level::Warn);
    JsonOutcome outcome = check_json(c.body, c.rules, false);
    const auto& results = std::get<std::vector<JsonResult>>(outcome);
    ASSERT_EQ(results.size(), c.results);
    std::size_t total = 0;
    std::size_t whole = 0;
    for (std::size_t i = 0; i < results.size(); ++i) {
      const Path& path = std::holds_alternative<QueryClause>(results[i])
                             ? std::get<QueryClause>(results[i]).path
                             : std::get<JsonFinding>(results[i]).path;
      total += path.size();
      if (whole == i && path.size() == i + (c.rules == std::vector<RuleType>{512} ? 0 : 1)) {
        ++whole;
      }
    }
    EXPECT_LE(total, path_key_budget(c.body) + results.size());
    EXPECT_GT(whole * (whole + 1) / 2, path_key_budget(c.body) / 2) << whole;
    ASSERT_EQ(capture.records().size(), 1u);
    EXPECT_EQ(capture.records()[0].level, log::Level::Warn);
  }
}

// Within the budget nothing is logged, and a body whose results are dropped for invalid JSON
// logs nothing either.
TEST(CheckJson, NoWarningWithoutCutPaths) {
  const std::string bodies[] = {nested("$ne", 7), nested("$ne", 40) + " x", R"({"a":1})"};
  for (const std::string& body : bodies) {
    SCOPED_TRACE(body);
    log::ScopedLogCapture capture(log::Level::Trace);
    check_json(body, std::vector<RuleType>{32, 512}, false);
    for (const auto& record : capture.records()) EXPECT_NE(record.target, kJsonTarget);
  }
}

// A random body of keys and values drawn from `texts`: records of a few members, some values
// in arrays, some records nested one level.
std::string random_body(std::mt19937& rng, const std::vector<std::string>& texts,
                        std::size_t records) {
  std::string body = "[";
  const auto add = [&](std::string_view before) {
    body += before;
    body += "\"" + texts[rng() % texts.size()] + "\"";
  };
  for (std::size_t i = 0; i < records; ++i) {
    body += i > 0 ? ",{" : "{";
    for (std::size_t k = 1 + rng() % 4; k > 0; --k) {
      add("");
      switch (rng() % 6) {
        case 0: add(":["); add(","); body += "]"; break;
        case 1: add(":{"); add(":"); body += "}"; break;
        case 2: body += ":1"; break;
        default: add(":");
      }
      if (k > 1) body += ",";
    }
    body += "}";
  }
  return body + "]";
}

// A repeated key or value is answered from its first evaluation while debug lines are off.
// Random bodies of repeated texts, with findings of several rules as keys and as values and
// without, give the same results in the same order, and the same log lines, as the evaluation
// of every text, at every log level; so do bodies of thousands of distinct texts, which fill the
// remembered answers and push some out.
TEST(CheckJson, RepeatedTextsAnswerAsEvaluatedOnce) {
  const std::vector<std::string> pool = {
      "id", "name", "blue", "Widget 12", "A sturdy widget, number 3.", "__proto__",
      "constructor", "prototype", "$ne", "$where", "$gt", "' or 1=1--", "1' OR '1'='1",
      "; cat /etc/passwd", "$(id)", "../../etc/passwd", "<script>alert(1)</script>",
      "<img src=x onerror=alert(1)>", "javascript:alert(1)", "require('child_process')",
      "sleep(1000)", "", "x", "\u0041b", R"(a\"b)", R"(\u0041b)", "\u00e9t\u00e9",
      "sleep(5) || true", "shell.php", "GET", "../", "..\\\\"};
  std::mt19937 rng(2024);
  // Near copies of the pool's texts, which share their length and first and last bytes with
  // them or one is the start of the other, and thousands of distinct texts.
  std::vector<std::string> many = pool;
  const std::string_view edits = "ax_</.'(";
  for (int i = 0; i < 1500; ++i) {
    std::string text = pool[rng() % pool.size()];
    // Escapes and multi-byte characters stay whole.
    if (std::any_of(text.begin(), text.end(), [](char c) {
          return c == '\\' || static_cast<unsigned char>(c) >= 0x80;
        })) {
      continue;
    }
    const char c = edits[rng() % edits.size()];
    switch (rng() % 3) {
      case 0: if (!text.empty()) text[rng() % text.size()] = c; break;
      case 1: text.append(1 + rng() % 3, c); break;
      default: if (!text.empty()) text.pop_back();
    }
    many.push_back(text);
  }
  for (int i = 0; i < 3000; ++i) {
    const std::string number = std::to_string(i);
    many.push_back(i % 2 ? std::string("<b onclick=f(").append(number).append(")>")
                         : std::string("k").append(number));
  }
  const std::vector<RuleType> all = {1, 2, 4, 8, 16, 32, 64, 128, 256, 512};
  const log::Level levels[] = {log::Level::Off, log::Level::Info, log::Level::Debug,
                               log::Level::Trace};
  std::set<std::pair<RuleType, InputType>> found;
  for (int round = 0; round < 300; ++round) {
    const bool large = round % 3 == 0;
    const std::string body =
        random_body(rng, large ? many : pool, large ? 20 + rng() % 400 : 1 + rng() % 16);
    std::vector<RuleType> rules = all;
    if (rng() % 3 == 0) rules = {8, 32, 512};
    if (rng() % 4 == 0) rules = testing::random_rule_list(rng, 1 + rng() % 12);
    const bool prefer = rng() % 3 == 0;
    const log::Level level = levels[rng() % 4];
    SCOPED_TRACE(::testing::Message() << "round " << round << ", level "
                                      << log::level_text(level) << ": " << body.substr(0, 400));
    JsonOutcome every_text;
    std::vector<log::CapturedRecord> every_text_log;
    {
      log::ScopedLogCapture capture(level);
      every_text = check_json_evaluating_every_text(body, rules, prefer);
      every_text_log = capture.records();
    }
    JsonOutcome with_debug;
    {
      log::ScopedLogCapture capture(log::Level::Debug);
      with_debug = check_json(body, rules, prefer);
    }
    log::ScopedLogCapture capture(level);
    const JsonOutcome repeats_answered = check_json(body, rules, prefer);
    ASSERT_EQ(repeats_answered, every_text);
    // Nor do the results depend on the level.
    ASSERT_EQ(repeats_answered, with_debug);
    ASSERT_EQ(capture.records(), every_text_log);
    if (level <= log::Level::Info) {
      EXPECT_TRUE(capture.records().empty());
    }
    const auto& results = std::get<std::vector<JsonResult>>(every_text);
    for (const JsonResult& result : results) {
      if (const auto* finding = std::get_if<JsonFinding>(&result)) {
        found.emplace(finding->finding.rule, finding->finding.input_type);
      }
    }
  }
  // The pool reaches findings of these rules: of every rule for values that has JSON values,
  // and of the two that have JSON keys.
  const std::pair<RuleType, InputType> reached[] = {
      {2, InputType::JsonValue},  {4, InputType::JsonValue},   {8, InputType::JsonValue},
      {16, InputType::JsonValue}, {32, InputType::JsonValue},  {128, InputType::JsonValue},
      {512, InputType::JsonValue}, {2, InputType::JsonKey},    {512, InputType::JsonKey}};
  for (const auto& [rule, type] : reached) {
    EXPECT_TRUE(found.contains({rule, type})) << rule << " " << input_type_name(type);
  }
}

// The findings of a repeated text are shared in the table, and every result still gets them
// whole: each repeat's entry reads the same findings as the first, at its own place.
TEST(CheckJson, RepeatsShareTheFindingsOfTheFirstEvaluation) {
  const std::string body =
      R"([{"q":"<script>alert(1)</script>"},{"q":"<script>alert(1)</script>"},)"
      R"({"__proto__":"<script>alert(1)</script>"},"__proto__",{"__proto__":1}])";
  const std::vector<RuleType> rules = {4, 512};
  log::ScopedLogCapture capture(log::Level::Info);
  const auto table = std::get<JsonResultTable>(check_json_table(body, rules, false));
  std::vector<std::size_t> xss;
  std::vector<const char*> xss_texts;
  std::vector<std::size_t> proto_keys;
  for (const JsonResultTable::Entry& entry : table.entries) {
    const rules::Finding& finding = table.findings[entry.finding];
    if (finding.rule == 4 && entry.value.starts_with("<script>")) {
      xss.push_back(entry.finding);
      xss_texts.push_back(entry.value.data());
    }
    if (finding.rule == 512 && finding.input_type == InputType::JsonKey) {
      proto_keys.push_back(entry.finding);
    }
  }
  ASSERT_EQ(xss.size(), 3u);
  EXPECT_EQ(xss, std::vector<std::size_t>(3, xss[0]));
  for (std::size_t i = 0, at = 0; i < 3; ++i, ++at) {
    at = body.find("<script>", at);
    EXPECT_EQ(xss_texts[i], body.data() + at);
  }
  ASSERT_EQ(proto_keys.size(), 2u);
  EXPECT_EQ(proto_keys[0], proto_keys[1]);
  // A value and a key of the same bytes have findings of their own: the script value's, the
  // key's, the value "__proto__"'s two.
  EXPECT_EQ(table.findings.size(), 4u);
  EXPECT_EQ(check_json(body, rules, false), check_json_evaluating_every_text(body, rules, false));
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
