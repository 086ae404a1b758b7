#include "bindings/node/request/body.h"

#include <array>
#include <span>
#include <string>
#include <variant>

#include "urlencoded/urlencoded.h"

namespace bindings::node::request::body {
namespace {

namespace json = sorvane::evaluation::input_analysis::json;
namespace rules_ns = sorvane::evaluation::rules;

std::string_view last_or_empty(std::span<const std::string_view> path) {
  return path.empty() ? std::string_view() : path.back();
}

constexpr std::array<std::string_view, 1> kMongoKeyIds = {"MONGO-KEY"};

}  // namespace

bool is_json_body(std::string_view body) {
  const std::size_t first = body.find_first_not_of("\t\n\f\r ");
  if (first == std::string_view::npos) return false;
  const char c = body[first];
  return c == '{' || c == '[' || c == '"';
}

ResultView view_json_result(const json::JsonResult& result) {
  if (const auto* found = std::get_if<json::JsonFinding>(&result)) {
    return ResultView{found->path, last_or_empty(found->path), found->value, found->finding.ids,
                      found->finding.score, found->finding.rule, found->finding.input_type};
  }
  const auto& clause = std::get<rules_ns::mongo::QueryClause>(result);
  return ResultView{clause.path, last_or_empty(clause.path), {}, kMongoKeyIds, clause.score,
                    rules_ns::kNosqlInjectionMongo, InputType::JsonKey};
}

napi::Result<napi_value> eval_request_body(napi_env env, napi_callback_info info) {
  BINDING_ASSIGN(auto call, napi::get_cb_info<3>(env, info));
  if (call.argc < 2) return support::invalid_arg("rules and body arguments are required");
  BINDING_ASSIGN(RuleList rules, read_rules(env, call.arg(0)));
  // The options, read last, may run JavaScript.
  BINDING_ASSIGN(TextArgument body_arg, read_text_argument(call, 1, call.argc > 2));
  BINDING_ASSIGN(bool prefer_worth_watching, read_prefer_worth_watching(call, 2));
  if (is_json_body(body_arg.text())) {
    // The results are views into the body, and building the response sets properties, which
    // can run JavaScript (a setter on Object.prototype) that detaches a Buffer: the body is
    // owned before it is evaluated.
    body_arg.own();
    const std::string_view body = body_arg.text();
    auto outcome = json::check_json(body, rules.rules(), prefer_worth_watching);
    if (auto* error = std::get_if<sorvane::json::parse_error::ParseError>(&outcome)) {
      return support::generic_failure(error->details());
    }
    auto& results = std::get<std::vector<json::JsonResult>>(outcome);
    return make_response_of(env, results.size(), get_json_response,
                            [&](ResultValues& values) -> napi::Status {
                              for (const json::JsonResult& result : results) {
                                BINDING_TRY(
                                    add_js_result_item(env, values, view_json_result(result)));
                              }
                              return {};
                            });
  }
  const PairList pairs = sorvane::urlencoded::decode(body_arg.text());
  ItemList items;
  add_paired_evaluations(pairs, rules.rules(),
                         InputType::ParameterKey, InputType::ParameterValue,
                         prefer_worth_watching, items);
  return make_response(env, items, get_urlencoded_response);
}

}  // namespace bindings::node::request::body
