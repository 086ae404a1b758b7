// The engine's share of the request-scoring methods: the same inputs as
// bench/request_methods.js, evaluated without the JavaScript boundary, all rules selected.
#include <benchmark/benchmark.h>

#include <string>
#include <string_view>
#include <vector>

#include "bench/support/text.h"
#include "core/evaluation/rules/registry.h"
#include "core/evaluation/input_analysis/header.h"
#include "core/evaluation/input_analysis/input.h"
#include "core/evaluation/input_analysis/json.h"
#include "core/evaluation/rules/method_tampering/method_tampering.h"
#include "urlencoded/urlencoded.h"

namespace {

using bench::support::repeat_whole;
using bench::support::set_bytes_per_iteration;
using sorvane::evaluation::InputType;
using sorvane::evaluation::input_analysis::header::check_header;
using sorvane::evaluation::input_analysis::input::check_input;
using sorvane::evaluation::input_analysis::json::check_json;
using sorvane::evaluation::rules::RuleType;

const std::vector<RuleType> kAllRules = {1, 2, 4, 8, 16, 32, 64, 128, 256, 512};
constexpr std::size_t kBodySize = 100 * 1024;

const std::vector<std::string> kHeaders = {
    "Host", "shop.example.com",
    "User-Agent", "Mozilla/5.0 (X11; Linux x86_64; rv:120.0) Gecko/20100101 Firefox/120.0",
    "Accept", "text/html,application/xhtml+xml,application/xml;q=0.9,image/avif,image/webp,*/*;q=0.8",
    "Accept-Language", "en-US,en;q=0.5",
    "Accept-Encoding", "gzip, deflate, br",
    "Referer", "https://shop.example.com/catalog?page=1",
    "Connection", "keep-alive",
    "Cookie", "session=6f1c2a9e8b7d; theme=dark; consent=yes",
    "Upgrade-Insecure-Requests", "1",
    "Sec-Fetch-Dest", "document",
    "Sec-Fetch-Mode", "navigate",
    "Sec-Fetch-Site", "same-origin",
};
const std::vector<std::string> kCookies = {"session", "6f1c2a9e8b7d", "theme", "dark",
                                           "consent", "yes"};

std::size_t count_paired(const std::vector<std::string>& pairs, InputType name_type,
                         InputType value_type, const std::vector<RuleType>& rules = kAllRules) {
  std::size_t findings = 0;
  for (std::size_t e = 0; e < pairs.size(); ++e) {
    findings += check_input(pairs[e], e % 2 == 0 ? name_type : value_type, rules, false).size();
  }
  return findings;
}

void BM_RequestAtomCheckInput32Bytes(benchmark::State& state) {
  sorvane::evaluation::rules::CONFIG();
  const std::string value = "blue-widget size m, order 123456";
  for (auto _ : state) {
    benchmark::DoNotOptimize(check_input(value, InputType::ParameterValue, kAllRules, false));
  }
}
BENCHMARK(BM_RequestAtomCheckInput32Bytes);

// The attack of the JavaScript benchmark: path traversal, SQL and command injection findings.
void BM_RequestAtomCheckInputAttack(benchmark::State& state) {
  sorvane::evaluation::rules::CONFIG();
  const std::string value = "x' or 1=1--; cat ../../etc/passwd";
  for (auto _ : state) {
    benchmark::DoNotOptimize(check_input(value, InputType::ParameterValue, kAllRules, false));
  }
}
BENCHMARK(BM_RequestAtomCheckInputAttack);

// What scoreRequestConnect asks of the engine for a typical browser request; with only the
// file-upload rule, which applies to none of these inputs, what remains is the fixed cost of
// each evaluation (input summary, safe-value and binary tests).
void BM_RequestConnectBrowserRequest(benchmark::State& state, std::vector<RuleType> rules) {
  sorvane::evaluation::rules::CONFIG();
  for (auto _ : state) {
    std::size_t findings = 0;
    const auto queries = sorvane::urlencoded::decode("color=blue&size=m&sort=price_asc&page=2");
    findings += count_paired(queries, InputType::ParameterKey, InputType::ParameterValue, rules);
    for (std::size_t i = 0; i + 1 < kHeaders.size(); i += 2) {
      findings += check_header(kHeaders[i], kHeaders[i + 1], rules, false).size();
    }
    findings += count_paired(kCookies, InputType::CookieName, InputType::CookieValue, rules);
    findings += check_input("/products/42/reviews", InputType::UriPath, rules, false).size();
    findings += sorvane::evaluation::rules::method_tampering::is_method_tampering("GET");
    benchmark::DoNotOptimize(findings);
  }
}
BENCHMARK_CAPTURE(BM_RequestConnectBrowserRequest, all_rules, kAllRules);
BENCHMARK_CAPTURE(BM_RequestConnectBrowserRequest, no_applicable_rule, std::vector<RuleType>{1});
// Four threads at once share the compiled expressions (and the engine's caches).
BENCHMARK_CAPTURE(BM_RequestConnectBrowserRequest, all_rules_4_threads, kAllRules)
    ->Threads(4)
    ->UseRealTime();

// The benign JSON body of the JavaScript benchmark: records of a web shop's API.
std::string benign_json_body() {
  std::string body = "[";
  for (int id = 0; body.size() < kBodySize; ++id) {
    if (id > 0) body += ',';
    const std::string n = std::to_string(id);
    body += "{\"id\":" + n + ",\"name\":\"Widget " + n +
            "\",\"tags\":[\"blue\",\"small\"],\"price\":19.99,\"inStock\":" +
            (id % 3 != 0 ? "true" : "false") +
            ",\"description\":\"A sturdy widget for everyday use, number " + n +
            ", shipped in two days.\"}";
  }
  return body + "]";
}

void json_body(benchmark::State& state, const std::string& body,
               const std::vector<RuleType>& rules = kAllRules) {
  sorvane::evaluation::rules::CONFIG();
  for (auto _ : state) benchmark::DoNotOptimize(check_json(body, rules, false));
  set_bytes_per_iteration(state, body.size());
}

void urlencoded_body(benchmark::State& state, const std::string& body) {
  sorvane::evaluation::rules::CONFIG();
  for (auto _ : state) {
    benchmark::DoNotOptimize(count_paired(sorvane::urlencoded::decode(body),
                                          InputType::ParameterKey, InputType::ParameterValue));
  }
  set_bytes_per_iteration(state, body.size());
}

void BM_RequestBodyBenignJson(benchmark::State& state) { json_body(state, benign_json_body()); }
BENCHMARK(BM_RequestBodyBenignJson);
// The same body with no rule listed: the validation and the walk over its keys and values.
void BM_RequestBodyBenignJsonNoRules(benchmark::State& state) {
  json_body(state, benign_json_body(), {});
}
BENCHMARK(BM_RequestBodyBenignJsonNoRules);

// The adversarial fillers: "/*", ";" and "'" are URL-encoded bodies; each filler again as one
// JSON string value. A raw run of '"' is malformed JSON and fails at its third character.
void BM_RequestBodyUrlencodedFiller(benchmark::State& state, std::string_view unit) {
  urlencoded_body(state, repeat_whole(unit, kBodySize));
}
BENCHMARK_CAPTURE(BM_RequestBodyUrlencodedFiller, comment_openers, "/*");
BENCHMARK_CAPTURE(BM_RequestBodyUrlencodedFiller, semicolons, ";");
BENCHMARK_CAPTURE(BM_RequestBodyUrlencodedFiller, single_quotes, "'");

void BM_RequestBodyJsonStringFiller(benchmark::State& state, std::string_view unit) {
  json_body(state, "{\"v\":\"" + repeat_whole(unit, kBodySize) + "\"}");
}
BENCHMARK_CAPTURE(BM_RequestBodyJsonStringFiller, quotes, "\\\"");
BENCHMARK_CAPTURE(BM_RequestBodyJsonStringFiller, comment_openers, "/*");
BENCHMARK_CAPTURE(BM_RequestBodyJsonStringFiller, semicolons, ";");
BENCHMARK_CAPTURE(BM_RequestBodyJsonStringFiller, single_quotes, "'");

}  // namespace
