#include "bindings/node/request/connect.h"

#include <optional>
#include <string>

#include <fmt/format.h>

#include "core/evaluation/rules/registry.h"
#include "core/evaluation/input_analysis/header.h"
#include "core/evaluation/input_analysis/input.h"
#include "core/evaluation/rules/method_tampering/method_tampering.h"
#include "urlencoded/urlencoded.h"

namespace bindings::node::request::connect {
namespace {

using napi::ValueType;
namespace rules_ns = sorvane::evaluation::rules;

// What the inputs object holds; an absent property is nullopt.
struct ConnectInputs {
  std::optional<PairList> queries;
  std::optional<PairList> headers;
  std::optional<PairList> cookies;
  std::optional<std::string> uri_path;
  std::optional<std::string> method;

  bool any() const { return queries || headers || cookies || uri_path || method; }
};

// The query: a query string (decoded) or a pair list.
napi::Result<PairList> read_queries(napi_env env, napi_value inputs, const char* name) {
  BINDING_ASSIGN(napi_value value, napi::get_named(env, inputs, name));
  BINDING_ASSIGN(ValueType type, napi::type_of(env, value));
  if (type == ValueType::String) {
    BINDING_ASSIGN(std::string text, copy_string_until_nul(env, value));
    return sorvane::urlencoded::decode(text);
  }
  if (type == ValueType::Object) return convert_string_array_prop(env, inputs, name);
  return support::invalid_arg(fmt::format("{} must be a string or array", name));
}

napi::Result<std::string> read_string_prop(napi_env env, napi_value inputs, const char* name) {
  BINDING_ASSIGN(napi_value value, napi::get_named(env, inputs, name));
  return copy_string_until_nul(env, value);
}

// Reads `target` from property `name` when the property is present.
template <class T, class Reader>
napi::Status read_if_present(napi_env env, napi_value inputs, const char* name,
                             std::optional<T>& target, Reader reader) {
  BINDING_ASSIGN(bool present, napi::has_named(env, inputs, name));
  if (!present) return {};
  BINDING_ASSIGN(T value, reader(env, inputs, name));
  target = std::move(value);
  return {};
}

napi::Result<ConnectInputs> read_inputs(napi_env env, napi_value inputs) {
  ConnectInputs read;
  BINDING_TRY(read_if_present(env, inputs, "queries", read.queries, read_queries));
  BINDING_TRY(read_if_present(env, inputs, "headers", read.headers, convert_string_array_prop));
  BINDING_TRY(read_if_present(env, inputs, "cookies", read.cookies, convert_string_array_prop));
  BINDING_TRY(read_if_present(env, inputs, "uriPath", read.uri_path, read_string_prop));
  BINDING_TRY(read_if_present(env, inputs, "method", read.method, read_string_prop));
  return read;
}

}  // namespace

void add_header_evaluations(const PairList& headers, std::span<const RuleType> rules,
                            bool prefer_worth_watching, ItemList& items) {
  for (std::size_t i = 0; i + 1 < headers.size(); i += 2) {
    const std::string& name = headers[i];
    const std::string& value = headers[i + 1];
    for (Finding& finding : sorvane::evaluation::input_analysis::header::check_header(
             name, value, rules, prefer_worth_watching)) {
      items.push_back(JsResultItem{{name}, name, value, std::move(finding.ids), finding.score,
                                   finding.rule, finding.input_type});
    }
  }
}

void add_uri_path_evaluation(std::string_view uri_path, std::span<const RuleType> rules,
                             bool prefer_worth_watching, ItemList& items) {
  for (Finding& finding : sorvane::evaluation::input_analysis::input::check_input(
           uri_path, InputType::UriPath, rules, prefer_worth_watching)) {
    items.push_back(JsResultItem{{}, {}, uri_path, std::move(finding.ids),
                                 finding.score, finding.rule, InputType::UriPath});
  }
}

void add_method_tampering_evaluation(std::string_view method, ItemList& items) {
  if (!rules_ns::method_tampering::is_method_tampering(method)) return;
  items.push_back(JsResultItem{{}, {}, method, {"METHOD"}, 90.0,
                               rules_ns::kMethodTampering, InputType::Method});
}

napi::Result<napi_value> eval_request_connect(napi_env env, napi_callback_info info) {
  BINDING_ASSIGN(auto call, napi::get_cb_info<3>(env, info));
  if (call.argc < 2) return support::invalid_arg("rules and inputs arguments are required");
  BINDING_ASSIGN(RuleList rules, read_rules(env, call.arg(0)));
  BINDING_ASSIGN(ConnectInputs inputs, read_inputs(env, call.arg(1)));
  if (!inputs.any()) return support::invalid_arg("no connect data to check");
  BINDING_ASSIGN(bool prefer_worth_watching, read_prefer_worth_watching(call, 2));
  sorvane::evaluation::rules::CONFIG();

  ItemList items;
  if (inputs.queries) {
    add_paired_evaluations(*inputs.queries, rules.rules(), InputType::ParameterKey,
                           InputType::ParameterValue, prefer_worth_watching, items);
  }
  if (inputs.headers) {
    add_header_evaluations(*inputs.headers, rules.rules(), prefer_worth_watching, items);
  }
  if (inputs.cookies) {
    add_paired_evaluations(*inputs.cookies, rules.rules(), InputType::CookieName,
                           InputType::CookieValue, prefer_worth_watching, items);
  }
  if (inputs.uri_path) {
    add_uri_path_evaluation(*inputs.uri_path, rules.rules(), prefer_worth_watching, items);
  }
  if (inputs.method) add_method_tampering_evaluation(*inputs.method, items);
  return make_response(env, items);
}

}  // namespace bindings::node::request::connect
