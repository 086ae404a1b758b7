// The side-by-side peer: ModSecurity v3 with the Core Rule Set at paranoia level 1, and this
// engine, on the same request and the same JSON body, timed in one process.
//
// Usage: modsecurity_peer <request file> <body file>
// The request file holds one tab-separated line per input: "method", "path" and "query" with
// their text, "header" and "cookie" with a name and a value. Prints one JSON object with the
// median nanoseconds per call of each side and the number of rules loaded, or
// {"skipped": reason} when the rule set is not installed or does not load.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include <modsecurity/modsecurity.h>
#include <modsecurity/rules_set.h>
#include <modsecurity/transaction.h>

#include "core/evaluation/input_analysis/header.h"
#include "core/evaluation/input_analysis/input.h"
#include "core/evaluation/input_analysis/json.h"
#include "core/evaluation/rules/method_tampering/method_tampering.h"
#include "core/evaluation/rules/registry.h"
#include "urlencoded/urlencoded.h"

namespace {

namespace analysis = sorvane::evaluation::input_analysis;
namespace rules_ns = sorvane::evaluation::rules;
using sorvane::evaluation::InputType;

// Every rule, as the mask 1023 selects them.
std::vector<rules_ns::RuleType> every_rule() {
  std::vector<rules_ns::RuleType> rules;
  for (unsigned bit = 0; bit < rules_ns::kRuleCount; ++bit) rules.push_back(1u << bit);
  return rules;
}

const std::vector<rules_ns::RuleType> kAllRules = every_rule();

constexpr const char* kCrsSetup = "/etc/modsecurity/crs/crs-setup.conf";
constexpr const char* kCrsRules = "/usr/share/modsecurity-crs/rules";

struct Request {
  std::string method = "GET";
  std::string path = "/";
  std::string query;
  std::vector<std::pair<std::string, std::string>> headers;
  std::vector<std::string> cookies;  // name, value, name, value...
};

std::string read_file(const char* path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

Request read_request(const std::string& text) {
  Request request;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    const auto tab = line.find('\t');
    if (tab == std::string::npos) continue;
    const std::string kind = line.substr(0, tab);
    const std::string rest = line.substr(tab + 1);
    const auto second = rest.find('\t');
    if (kind == "method") request.method = rest;
    if (kind == "path") request.path = rest;
    if (kind == "query") request.query = rest;
    if (second == std::string::npos) continue;
    if (kind == "header") request.headers.emplace_back(rest.substr(0, second), rest.substr(second + 1));
    if (kind == "cookie") {
      request.cookies.push_back(rest.substr(0, second));
      request.cookies.push_back(rest.substr(second + 1));
    }
  }
  return request;
}

// The engine: every evaluation that scoreRequestConnect makes for the request.
std::size_t engine_request(const Request& request) {
  std::size_t findings = 0;
  const auto queries = sorvane::urlencoded::decode(request.query);
  for (std::size_t e = 0; e < queries.size(); ++e) {
    findings += analysis::input::check_input(queries[e], e % 2 == 0 ? InputType::ParameterKey
                                                   : InputType::ParameterValue,
                            kAllRules, false).size();
  }
  for (const auto& [name, value] : request.headers) {
    findings += analysis::header::check_header(name, value, kAllRules, false).size();
  }
  for (std::size_t e = 0; e < request.cookies.size(); ++e) {
    findings += analysis::input::check_input(request.cookies[e], e % 2 == 0 ? InputType::CookieName
                                                           : InputType::CookieValue,
                            kAllRules, false).size();
  }
  findings += analysis::input::check_input(request.path, InputType::UriPath, kAllRules, false).size();
  findings += rules_ns::method_tampering::is_method_tampering(request.method);
  return findings;
}

std::size_t engine_body(const std::string& body) {
  const auto outcome = analysis::json::check_json(body, kAllRules, false);
  const auto* results = std::get_if<0>(&outcome);
  return results ? results->size() : 0;
}

// One transaction through the request phases: connection, URI, headers, body.
void peer_transaction(modsecurity::ModSecurity& engine, modsecurity::RulesSet& rules,
                     const std::string& method, const std::string& uri,
                     const std::vector<std::pair<std::string, std::string>>& headers,
                     const std::string& body) {
  modsecurity::Transaction transaction(&engine, &rules, nullptr);
  transaction.processConnection("192.0.2.10", 51234, "192.0.2.1", 443);
  transaction.processURI(uri.c_str(), method.c_str(), "1.1");
  for (const auto& [name, value] : headers) transaction.addRequestHeader(name, value);
  transaction.processRequestHeaders();
  if (!body.empty()) {
    transaction.appendRequestBody(reinterpret_cast<const unsigned char*>(body.data()),
                                  body.size());
  }
  transaction.processRequestBody();
}

// Median nanoseconds per call: `samples` timings of `calls` calls each, after one warm-up.
template <class Fn>
double median_ns(Fn fn, int calls, int samples = 21) {
  for (int i = 0; i < calls; ++i) fn();
  std::vector<double> per_call;
  for (int s = 0; s < samples; ++s) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < calls; ++i) fn();
    const std::chrono::duration<double, std::nano> elapsed = std::chrono::steady_clock::now() - start;
    per_call.push_back(elapsed.count() / calls);
  }
  std::sort(per_call.begin(), per_call.end());
  return per_call[per_call.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: modsecurity_peer <request file> <body file>\n");
    return 2;
  }
  if (!std::filesystem::exists(kCrsSetup) || !std::filesystem::exists(kCrsRules)) {
    std::printf("{\"skipped\":\"the Core Rule Set is not installed (apt-get install modsecurity-crs)\"}\n");
    return 0;
  }
  const Request request = read_request(read_file(argv[1]));
  const std::string body = read_file(argv[2]);

  modsecurity::ModSecurity engine;
  modsecurity::RulesSet rules;
  const std::string config = std::string(
      "SecRuleEngine DetectionOnly\n"
      "SecRequestBodyAccess On\n"
      "SecRequestBodyLimit 13107200\n"
      "SecRequestBodyNoFilesLimit 1048576\n"
      "SecRule REQUEST_HEADERS:Content-Type \"^application/json\" "
      "\"id:200001,phase:1,t:none,t:lowercase,pass,nolog,ctl:requestBodyProcessor=JSON\"\n"
      "SecAuditEngine Off\n"
      "Include ") + kCrsSetup + "\n"
      "SecAction \"id:900000,phase:1,nolog,pass,t:none,setvar:tx.paranoia_level=1\"\n"
      "Include " + kCrsRules + "/*.conf\n";
  const int loaded = rules.load(config.c_str());
  if (loaded < 0) {
    std::printf("{\"skipped\":\"the rule set did not load: %s\"}\n", rules.getParserError().c_str());
    return 0;
  }

  std::string uri = request.path;
  if (!request.query.empty()) uri += "?" + request.query;
  const std::vector<std::pair<std::string, std::string>> body_headers = {
      {"Host", "shop.example.com"},
      {"Content-Type", "application/json"},
      {"Content-Length", std::to_string(body.size())}};

  rules_ns::CONFIG();
  const double peer_request = median_ns(
      [&] { peer_transaction(engine, rules, request.method, uri, request.headers, ""); }, 50, 11);
  const double engine_request_ns = median_ns([&] { engine_request(request); }, 5000);
  const double peer_body = median_ns(
      [&] { peer_transaction(engine, rules, "POST", "/api/items", body_headers, body); }, 1, 5);
  const double engine_body_ns = median_ns([&] { engine_body(body); }, 20, 11);
  std::printf(
      "{\"peerRequestNs\":%.0f,\"engineRequestNs\":%.0f,\"peerBodyNs\":%.0f,\"engineBodyNs\":%.0f,"
      "\"rulesLoaded\":%d}\n",
      peer_request, engine_request_ns, peer_body, engine_body_ns, loaded);
  return 0;
}
