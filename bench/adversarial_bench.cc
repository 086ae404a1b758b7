// Time under attack: each rule (through check_input with that rule alone) and each analyser
// on 1 MiB of benign text and on 1 MiB built to defeat it: long runs of its trigger
// characters and keywords that never complete a match, so that nothing ends the work
// early. The "found" counter says whether the input gave an answer (a finding, a
// boundary, a match, a JSON error); a slow adversarial case with found=0 did all of its
// work. The JSON evaluation and the decoder always read the whole text.
//   ./build/benchmarks --benchmark_filter=Adversarial
#include <benchmark/benchmark.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "bench/support/text.h"
#include "core/evaluation/rules/registry.h"
#include "core/evaluation/input_analysis/header.h"
#include "core/evaluation/input_analysis/input.h"
#include "core/evaluation/input_analysis/json.h"
#include "core/evaluation/input_type.h"
#include "core/evaluation/rules/cmd_injection/cmd_sink.h"
#include "core/evaluation/rules/cmd_injection/semantic_chained_command.h"
#include "core/evaluation/rules/cmd_injection/semantic_dangerous_path.h"
#include "core/evaluation/rules/path_traversal/semantic_file_security_bypass.h"
#include "core/evaluation/rules/reflected_xss/sink_checks.h"
#include "core/evaluation/rules/rule_type.h"
#include "core/evaluation/rules/sql_injection/context_free.h"
#include "core/evaluation/rules/sql_injection/sql_sink.h"
#include "core/evaluation/rules/ssjs_injection/sink_check.h"
#include "urlencoded/urlencoded.h"

namespace {

using bench::support::set_bytes_per_iteration;
namespace rules = sorvane::evaluation::rules;
using sorvane::evaluation::InputType;

constexpr std::size_t kSize = 1 << 20;

// `unit` repeated to exactly kSize bytes (`head` first, `tail` last).
std::string fill(std::string_view unit, std::string_view head = {}, std::string_view tail = {}) {
  std::string text(head);
  while (text.size() + tail.size() < kSize) text += unit;
  text.resize(kSize - tail.size());
  return text += tail;
}

// Prose with the punctuation of ordinary form fields and headers.
constexpr std::string_view kProse =
    "Thanks for the quick reply, Anna! Order 1234 (two boxes, 5.5 kg) ships on 2024-05-01, "
    "see the tracking page at https://shop.example.com/orders/1234?lang=en for details. ";

// What a case runs on its text; true when it gave an answer.
using Check = std::function<bool(const std::string&)>;

void run(benchmark::State& state, const std::string& text, const Check& check) {
  bool found = false;
  for (auto _ : state) {
    found = check(text);
    benchmark::ClobberMemory();
  }
  set_bytes_per_iteration(state, text.size());
  state.counters["found"] = found ? 1 : 0;
}

void add(const std::string& name, std::string benign, std::string adversarial, Check check) {
  for (auto& [kind, text] :
       {std::pair{"benign", std::move(benign)}, std::pair{"adversarial", std::move(adversarial)}}) {
    benchmark::RegisterBenchmark(("Adversarial/" + name + "/" + kind).c_str(),
                                 [text = text, check](benchmark::State& s) { run(s, text, check); })
        ->Unit(benchmark::kMillisecond)
        ->MinTime(0.2);
  }
}

Check rule_alone(rules::RuleType rule, InputType type, bool prefer_worth_watching = false) {
  return [rule, type, prefer_worth_watching](const std::string& text) {
    sorvane::evaluation::rules::CONFIG();
    const rules::RuleType one[] = {rule};
    return !sorvane::evaluation::input_analysis::input::check_input(text, type, one,
                                                                    prefer_worth_watching)
                .empty();
  };
}

struct RuleCase {
  std::string_view name;
  rules::RuleType rule;
  InputType type;
  std::string adversarial;
};

int register_all() {
  const std::string prose = fill(kProse);
  const std::vector<RuleCase> rule_cases = {
      // Extensions at every dot, none at the end of the text.
      {"unsafe-file-upload", rules::kUnsafeFileUpload, InputType::MultipartName,
       fill(".php.exe.asp.jsp.bat.dll.", "x", "x")},
      // Near misses of every row: scheme words without ':', system folders without the
      // closing '/', dots without a separator, double backslashes without a share.
      {"path-traversal", rules::kPathTraversal, InputType::ParameterValue,
       fill(" file /etc /home .. .\\x \\\\ab\\c /Windows /AppData\\Local .%. /WEB-INF ")},
      // Keywords of the matcher and its gate characters, none of them completing a call,
      // an element, a handler or a scheme.
      {"reflected-xss", rules::kReflectedXss, InputType::ParameterValue,
       fill("<b alert confirm eval prompt document window top self this onclick onerror "
            "background cursor src script iframe function data javascript expression => ")},
      // Escapes for both decoders before the matcher runs.
      {"reflected-xss-escapes", rules::kReflectedXss, InputType::ParameterValue,
       fill("\\u0061lert &#97;lert &#x61; \\x61 <b ")},
      // A chain character every other byte opens a 64-character window each time, each
      // window differs from the one before, and the characters at the end let every row's
      // character pre-filter pass.
      {"sql-injection", rules::kSqlInjection, InputType::ParameterValue,
       fill("'a'b'c'd'e'f'g'h'i'j'k'l'm'n'o'p'q'r's't'u'v'w'x'y'z", "",
            " ( ; * ) @ = - _ < > ~ ` \" | ")},
      // Fewer windows, each holding SQL keywords without the syntax that completes a row.
      {"sql-injection-keywords", rules::kSqlInjection, InputType::ParameterValue,
       fill("'a \"select union insert into drop table @x=1 ")},
      // Separators followed by words that are no commands, and command-like words
      // without what would follow them.
      {"cmd-injection", rules::kCmdInjection, InputType::ParameterValue,
       fill("; catx | netx & regx ` scx $(psy ${shx cat /et powershell ")},
      {"nosql-injection-mongo", rules::kNosqlInjectionMongo, InputType::ParameterValue,
       fill("sleep( 0x1 + 2 * Infinity - 0b1 / x) ")},
      {"ssjs-injection", rules::kSsjsInjection, InputType::ParameterValue,
       fill("require ( process . module [ Object . eval Function whil ( __fil .prototyp = "
            "exec spawn '\" ")},
      {"prototype-pollution", rules::kPrototypePollution, InputType::ParameterValue,
       fill("__proto__ constructor prototype ")},
      {"method-tampering", rules::kMethodTampering, InputType::Method, fill("GETPOSTPUT")},
      {"bot-blocker", rules::kBotBlocker, InputType::HeaderValue, fill("NESSU Sucur masscan/")},
  };
  for (const RuleCase& c : rule_cases) {
    add("rule/" + std::string(c.name), prose, c.adversarial, rule_alone(c.rule, c.type));
  }
  // The cheap pre-screens that replace the patterns when the caller prefers them: command
  // and keyword look-alikes that stop one letter short of a word boundary. The prose has
  // two of the characters that answer the SQL pre-screen at once, so words alone are its
  // benign text.
  add("rule/sql-injection/worth-watching",
      fill("Thanks for the quick reply Anna the two boxes ship on Monday "),
      fill("selectx unionx wherex orx andx sleepy delayed likes "),
      rule_alone(rules::kSqlInjection, InputType::ParameterValue, true));
  add("rule/cmd-injection/worth-watching", prose, fill("; catx | lsx & rmx ` pingy $(echox ${idx "),
      rule_alone(rules::kCmdInjection, InputType::ParameterValue, true));

  // The bot search itself runs on User-Agent headers only.
  add("bot-search", prose, fill("NESSU Sucur masscan/ Acunetx sqlma nikt "),
      [](const std::string& t) {
        const rules::RuleType bot[] = {rules::kBotBlocker};
        return !sorvane::evaluation::input_analysis::header::check_header("User-Agent", t, bot,
                                                                          false)
                    .empty();
      });

  // The input is an empty span at the end (the last character for the SQL check, which
  // stops at the end of the input): the tokenizers run over the whole text.
  add("check_command", prose, fill("a\"b'c`d$(e${f\\g<h>i ( ) \" ' ` \\"),
      [](const std::string& t) {
        return rules::cmd_injection::check_command(t.size(), 0, t).has_value();
      });
  for (auto [db, name] : {std::pair{rules::sql_injection::DbType::MySQL, "MySQL"},
                          std::pair{rules::sql_injection::DbType::Postgres, "Postgres"},
                          std::pair{rules::sql_injection::DbType::SqlServer, "SqlServer"}}) {
    add(std::string("check_sql_query/") + name, prose,
        fill("'a''b\\' \"c\"\"d\" `e` [f] $$g$$ $x$ /* h -- i # j\n"), [db](const std::string& t) {
          return rules::sql_injection::check_sql_query(t.size() - 1, 1, db, t).has_value();
        });
  }
  add("check_js_code", prose, fill("'a\\'\" \"b\\\"' `c${d}` /e/ /* f // g\n"),
      [](const std::string& t) {
        return rules::ssjs_injection::sink_check::check_js_code(t, t.size(), 0);
      });
  // Comparisons whose two sides differ, between quotes of every kind.
  add("check_context_free_sql", prose, fill("'a'='b' OR 1=2 AND \"x\"<>\"x \" ( 0x1 = 0x2 ) "),
      [](const std::string& t) {
        return rules::sql_injection::context_free::check_context_free_sql(t);
      });
  // Chaining characters inside quotes and an arithmetic expansion.
  add("index_of_chaining", prose, fill("'a;b|c&d' \"e;f|g\" $((1+2)) "), [](const std::string& t) {
    return rules::cmd_injection::semantic_chained_command::index_of_chaining(t).has_value();
  });
  add("contains_dangerous_path", prose, fill("\"/etc/pas\" '/./' //x ${HOME}/./. /et/passw "),
      [](const std::string& t) {
        return rules::cmd_injection::semantic_dangerous_path::contains_dangerous_path(t);
      });
  // Names and parent steps that cancel out, so the normalised path stays short.
  add("is_dangerous_path", prose, fill("a/./b//c/../../"), [](const std::string& t) {
    return rules::path_traversal::semantic_file_security_bypass::is_dangerous_path(t, true);
  });

  // A tracked input that almost matches over and over inside a script element; the benign
  // page has an inline script and a frame in every paragraph.
  add("has_vulnerability",
      "<html><body>" + fill("<p>" + std::string(kProse) +
                            "</p><script>var n = 1234;</script><iframe src=\"/a\"></iframe>"),
      fill("<script src=a x=b>alert(1)alert(1)alert(2 <iframe src=", "<script>", ""),
      [](const std::string& t) {
        namespace xss = rules::reflected_xss::sink_checks;
        std::vector<xss::UserInput> inputs = {{"alert(1)alert(1)alert(1)", 0},
                                              {"<iframe src=\"", 0}};
        xss::XssState state;
        return xss::has_vulnerability(t, inputs, state).has_value();
      });

  // Deep nesting: every key sits under all the keys before it.
  std::string deep;
  while (deep.size() + 6 + deep.size() / 5 < kSize) deep += "{\"a\":";
  const std::size_t depth = deep.size() / 5;
  deep += "1";
  deep.append(depth, '}');
  std::string benign_json = "[";
  while (benign_json.size() < kSize - 80)
    benign_json += R"({"id":1234,"note":"two boxes, 5.5 kg"},)";
  benign_json += "{}]";
  const std::vector<rules::RuleType> all_rules = {1, 2, 4, 8, 16, 32, 64, 128, 256, 512};
  auto json_check = [all_rules](const std::string& t) {
    auto outcome = sorvane::evaluation::input_analysis::json::check_json(t, all_rules, false);
    return outcome.index() != 0 || !std::get<0>(outcome).empty();
  };
  add("check_json/deep", benign_json, deep, json_check);
  add("check_json/escapes", benign_json,
      fill(R"("\u0027\"\\\/\b\f\n\r\t\u00e9\ud83d\ude00",)", "[", R"("x"])"), json_check);

  add("decode", fill("name=Anna+Smith&city=K%C3%B6ln&note=two%20boxes&"),
      fill("%%2%G%%%2x=&&==+%25%"),
      [](const std::string& t) { return !sorvane::urlencoded::decode(t).empty(); });
  return 0;
}

const int registered = register_all();

}  // namespace
