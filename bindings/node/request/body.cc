#include "bindings/node/request/body.h"

#include <algorithm>
#include <array>
#include <span>
#include <string>
#include <variant>

#include "core/evaluation/input_analysis/json.h"
#include "urlencoded/urlencoded.h"

namespace bindings::node::request::body {
namespace {

namespace json = sorvane::evaluation::input_analysis::json;
namespace rules_ns = sorvane::evaluation::rules;

std::string_view last_or_empty(std::span<const std::string_view> path) {
  return path.empty() ? std::string_view() : path.back();
}

// Points the texts of `table`, views into `from`, at the same places in `to`, a copy of it.
void move_views(json::JsonResultTable& table, std::string_view from, std::string_view to) {
  auto moved = [&](std::string_view view) {
    if (view.empty()) return to.substr(0, 0);
    return to.substr(static_cast<std::size_t>(view.data() - from.data()), view.size());
  };
  for (std::string_view& key : table.keys) key = moved(key);
  for (json::JsonResultTable::Entry& entry : table.entries) entry.value = moved(entry.value);
}

constexpr std::array<std::string_view, 1> kMongoKeyIds = {"MONGO-KEY"};
const double kClauseScore = rules_ns::mongo::QueryClause{}.score;

// The result object's fields of one JSON result, as views into it; a MongoDB operator key
// becomes a "MONGO-KEY" item.
ResultView view_json_result(const json::JsonResultTable& table,
                            const json::JsonResultTable::Entry& entry) {
  const std::span<const std::string_view> path = table.path(entry);
  if (entry.finding != json::JsonResultTable::kClause) {
    const rules_ns::Finding& finding = table.findings[entry.finding];
    // Entries that share a finding hold the same text (a repeat shares its findings): the
    // finding is the value's group.
    return ResultView{path, last_or_empty(path), entry.value, finding.ids, finding.score,
                      finding.rule, finding.input_type, entry.finding};
  }
  return ResultView{path, last_or_empty(path), {}, kMongoKeyIds, kClauseScore,
                    rules_ns::kNosqlInjectionMongo, InputType::JsonKey};
}

}  // namespace

bool is_json_body(std::string_view body) {
  const std::size_t first = body.find_first_not_of("\t\n\f\r ");
  if (first == std::string_view::npos) return false;
  const char c = body[first];
  return c == '{' || c == '[' || c == '"';
}

napi::Result<napi_value> eval_request_body(napi_env env, napi_callback_info info) {
  BINDING_ASSIGN(auto call, napi::get_cb_info<3>(env, info));
  if (call.argc < 2) return support::invalid_arg("rules and body arguments are required");
  BINDING_ASSIGN(RuleList rules, read_rules(env, call.arg(0)));
  // The options, read last, may run JavaScript.
  BINDING_ASSIGN(TextArgument body_arg, read_text_argument(call, 1, call.argc > 2));
  BINDING_ASSIGN(bool prefer_worth_watching, read_prefer_worth_watching(call, 2));
  if (is_json_body(body_arg.text())) {
    // No JavaScript runs while the body is evaluated, so a Buffer is read where it lies. The
    // results are views into the body, and building the response sets properties, which can
    // run JavaScript (a setter on Object.prototype) that detaches a Buffer: a borrowed body
    // with results is copied first, and its results moved to the copy.
    auto outcome = json::check_json_table(body_arg.text(), rules.rules(), prefer_worth_watching);
    if (auto* error = std::get_if<sorvane::json::parse_error::ParseError>(&outcome)) {
      return support::generic_failure(error->details());
    }
    auto& table = std::get<json::JsonResultTable>(outcome);
    if (!table.entries.empty() && body_arg.borrowed()) {
      const std::string_view borrowed = body_arg.text();
      body_arg.own();
      move_views(table, borrowed, body_arg.text());
    }
    return make_response_of(env, table.entries.size(), get_json_response,
                            [&](ResultValues& values) -> napi::Status {
                              for (const json::JsonResultTable::Entry& entry : table.entries) {
                                BINDING_TRY(add_js_result_item(env, values,
                                                               view_json_result(table, entry)));
                              }
                              return {};
                            },
                            // Values are made once per finding (a repeat shares its
                            // text's findings), without the cache; the cache holds the keys,
                            // no more of them than keys or findings.
                            std::min(table.keys.size(), table.findings.size()),
                            table.findings.size());
  }
  const PairList pairs = sorvane::urlencoded::decode(body_arg.text());
  ItemList items;
  add_paired_evaluations(pairs, rules.rules(),
                         InputType::ParameterKey, InputType::ParameterValue,
                         prefer_worth_watching, items);
  return make_response(env, items, get_urlencoded_response);
}

}  // namespace bindings::node::request::body
