// Throughput of the JSON validator and the JSON body evaluation.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "bench/support/text.h"
#include "core/evaluation/input_analysis/json.h"
#include "json/parser.h"

namespace {

using bench::support::repeat_whole;
using bench::support::set_bytes_per_iteration;
using sorvane::json::lexemes::Token;
using sorvane::json::parser::ItemKind;
using sorvane::json::parser::Parser;

constexpr std::size_t kBodySize = 100 * 1024;

// An ordinary API body: an array of records with strings, numbers, literals and nesting,
// about `size` bytes.
std::string benign_body(std::size_t size = kBodySize) {
  std::string body = "{\"users\":[";
  for (int i = 0; body.size() < size - 300; ++i) {
    if (i > 0) body += ',';
    const std::string n = std::to_string(i);
    body += "{\"id\":" + n + ",\"name\":\"User number " + n + "\",\"email\":\"user" + n +
            "@example.org\",\"active\":" + (i % 2 ? "true" : "false") +
            ",\"score\":" + n + ".25e-1,\"tags\":[\"alpha\",\"beta\\u00e9\",\"gamma\"]," +
            "\"address\":{\"city\":\"Springfield\",\"zip\":\"1234" + n + "\",\"note\":null}}";
  }
  body += "],\"total\":42}";
  return body;
}

// The same filler inside one string value, so that the lexer reads all of it.
std::string in_string(std::string_view unit) {
  return "[\"" + repeat_whole(unit, kBodySize - 4) + "\"]";
}

void parse(benchmark::State& state, const std::string& text) {
  std::size_t strings = 0;
  for (auto _ : state) {
    Parser parser(text, [&](std::span<const Token>, ItemKind, const Token&) { ++strings; });
    auto error = parser.parse();
    benchmark::DoNotOptimize(error);
  }
  benchmark::DoNotOptimize(strings);
  set_bytes_per_iteration(state, text.size());
}

void BM_JsonParseBenign(benchmark::State& state) { parse(state, benign_body()); }
void BM_JsonParseQuotes(benchmark::State& state) { parse(state, repeat_whole("\"", kBodySize)); }
void BM_JsonParseCommentOpeners(benchmark::State& state) {
  parse(state, repeat_whole("/*", kBodySize));
}
void BM_JsonParseSemicolons(benchmark::State& state) { parse(state, repeat_whole(";", kBodySize)); }
void BM_JsonParseEscapedQuotesInString(benchmark::State& state) {
  parse(state, in_string("\\\""));
}
void BM_JsonParseCommentOpenersInString(benchmark::State& state) {
  parse(state, in_string("/*"));
}
void BM_JsonParseSemicolonsInString(benchmark::State& state) { parse(state, in_string(";")); }
void BM_JsonParseDeepNesting(benchmark::State& state) {
  parse(state, std::string(kBodySize / 2, '[') + std::string(kBodySize / 2, ']'));
}
void BM_JsonParseEmptyStrings(benchmark::State& state) {
  std::string text = "[";
  text += repeat_whole("\"\",", kBodySize - 4);
  text += "0]";
  parse(state, text);
}

const std::vector<sorvane::evaluation::rules::RuleType> kAllRules = {1,  2,  4,   8,   16,
                                                                     32, 64, 128, 256, 512};

void check_json_all_rules(benchmark::State& state, const std::string& body) {
  for (auto _ : state) {
    auto outcome = sorvane::evaluation::input_analysis::json::check_json(body, kAllRules, false);
    benchmark::DoNotOptimize(outcome);
  }
  set_bytes_per_iteration(state, body.size());
}

void BM_CheckJsonBenignAllRules(benchmark::State& state) {
  check_json_all_rules(state, benign_body());
}

// Bodies with a result for nearly every key: nested operator keys and prototype keys, whose
// key paths grow with the depth, and many flat operator objects; each beside a benign body of
// its size.
std::string nested(std::string_view key, std::size_t depth) {
  std::string level = "{\"";
  level.append(key).append("\":");
  std::string body;
  for (std::size_t i = 0; i < depth; ++i) body.append(level);
  body.push_back('1');
  body.append(depth, '}');
  return body;
}

// Copies of `element` in an array of about `size` bytes.
std::string array_of(std::string_view element, std::size_t size) {
  std::string unit(element);
  unit.push_back(',');
  std::string body = "[";
  body.append(repeat_whole(unit, size));
  body.append("0]");
  return body;
}

// The table form, as the bindings take the results.
void check_json_table_all_rules(benchmark::State& state, const std::string& body) {
  for (auto _ : state) {
    auto outcome =
        sorvane::evaluation::input_analysis::json::check_json_table(body, kAllRules, false);
    benchmark::DoNotOptimize(outcome);
  }
  set_bytes_per_iteration(state, body.size());
}

void BM_CheckJsonManyResults(benchmark::State& state, const std::string& body) {
  check_json_table_all_rules(state, body);
}
void BM_CheckJsonManyResultsBenign(benchmark::State& state, std::size_t size) {
  check_json_table_all_rules(state, benign_body(size));
}
BENCHMARK_CAPTURE(BM_CheckJsonManyResults, nested_operators_96k, nested("$ne", 12000));
BENCHMARK_CAPTURE(BM_CheckJsonManyResultsBenign, size_96k, 96001);
BENCHMARK_CAPTURE(BM_CheckJsonManyResults, nested_proto_98k, nested("__proto__", 7000));
BENCHMARK_CAPTURE(BM_CheckJsonManyResultsBenign, size_98k, 98001);
BENCHMARK_CAPTURE(BM_CheckJsonManyResults, gt_objects_70k, array_of(R"({"$gt":1})", 70000));
BENCHMARK_CAPTURE(BM_CheckJsonManyResultsBenign, size_70k, 70002);
BENCHMARK_CAPTURE(BM_CheckJsonManyResults, proto_values_84k, array_of(R"("__proto__")", 84000));
BENCHMARK_CAPTURE(BM_CheckJsonManyResultsBenign, size_84k, 84002);

// A JSON array of `count` distinct short string values (bench::support::distinct_texts).
std::string distinct_values(std::string_view prefix, std::string_view suffix, std::size_t count) {
  std::string body = "[";
  for (const std::string& text : bench::support::distinct_texts(prefix, suffix, count)) {
    if (body.size() > 1) body.push_back(',');
    body.append("\"").append(text).append("\"");
  }
  body.push_back(']');
  return body;
}

// BM_CheckJsonManyResults/<name> on 7,000 distinct values, each with the same findings, and
// BM_CheckJsonManyResultsBenign/size_of_<name> on a benign body of its size.
void register_distinct_values(const std::string& name, std::string_view prefix,
                              std::string_view suffix) {
  auto body = std::make_shared<const std::string>(distinct_values(prefix, suffix, 7000));
  benchmark::RegisterBenchmark(("BM_CheckJsonManyResults/" + name).c_str(),
                               [body](benchmark::State& state) {
                                 check_json_table_all_rules(state, *body);
                               });
  benchmark::RegisterBenchmark(("BM_CheckJsonManyResultsBenign/size_of_" + name).c_str(),
                               [size = body->size()](benchmark::State& state) {
                                 check_json_table_all_rules(state, benign_body(size));
                               });
}

const bool kDistinctValueRows = [] {
  struct Row {
    const char* name;
    std::string_view prefix, suffix;
  };
  const Row rows[] = {
      {"distinct_proto_values", "__proto__", ""},  // reflected-xss
      {"distinct_eval_calls", "eval(", ")"},       // reflected-xss and ssjs-injection
      {"distinct_sql_tautologies", "' or ", "=1--"},
      {"distinct_union_selects", "1' union select ", "--"},
      {"distinct_chained_commands", ";ls ", ""},
      {"distinct_passwd_paths", "/etc/passwd", ""},
      {"distinct_traversals", "../../etc/passwd", ""},
      {"distinct_sleep_commands", "x;sleep ", ""},  // the command after a word
      // reflected-xss from a tag, a script scheme and an event handler
      {"distinct_script_tags", "<script>", ""},
      {"distinct_script_schemes", "javascript:alert(", ")"},
      {"distinct_event_handlers", "onload=alert(", ")"},
  };
  for (const Row& row : rows) register_distinct_values(row.name, row.prefix, row.suffix);
  return true;
}();

BENCHMARK(BM_JsonParseBenign);
BENCHMARK(BM_JsonParseQuotes);
BENCHMARK(BM_JsonParseCommentOpeners);
BENCHMARK(BM_JsonParseSemicolons);
BENCHMARK(BM_JsonParseEscapedQuotesInString);
BENCHMARK(BM_JsonParseCommentOpenersInString);
BENCHMARK(BM_JsonParseSemicolonsInString);
BENCHMARK(BM_JsonParseDeepNesting);
BENCHMARK(BM_JsonParseEmptyStrings);
BENCHMARK(BM_CheckJsonBenignAllRules);

}  // namespace
