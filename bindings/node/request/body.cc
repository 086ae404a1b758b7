#include "bindings/node/request/body.h"

#include <string>
#include <variant>

#include "urlencoded/urlencoded.h"

namespace bindings::node::request::body {
namespace {

namespace json = sorvane::evaluation::input_analysis::json;
namespace rules_ns = sorvane::evaluation::rules;

std::string_view last_or_empty(const std::vector<std::string_view>& path) {
  return path.empty() ? std::string_view() : path.back();
}

}  // namespace

bool is_json_body(std::string_view body) {
  const std::size_t first = body.find_first_not_of("\t\n\f\r ");
  if (first == std::string_view::npos) return false;
  const char c = body[first];
  return c == '{' || c == '[' || c == '"';
}

JsResultItem convert_json_result(json::JsonResult&& result) {
  if (auto* found = std::get_if<json::JsonFinding>(&result)) {
    const std::string_view key = last_or_empty(found->path);
    return JsResultItem{std::move(found->path), key, found->value, std::move(found->finding.ids),
                        found->finding.score, found->finding.rule, found->finding.input_type};
  }
  auto& clause = std::get<rules_ns::mongo::QueryClause>(result);
  const std::string_view key = last_or_empty(clause.path);
  return JsResultItem{std::move(clause.path), key, {}, {"MONGO-KEY"}, clause.score,
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
                              for (json::JsonResult& result : results) {
                                BINDING_TRY(add_js_result_item(
                                    env, values, convert_json_result(std::move(result))));
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
