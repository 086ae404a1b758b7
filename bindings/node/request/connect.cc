#include "bindings/node/request/connect.h"

#include <optional>
#include <string>
#include <string_view>

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

// What the inputs object holds, as places in the call's text buffer; an absent property is
// nullopt. A query string is decoded into owned texts.
struct ConnectInputs {
  std::optional<TextList> queries;
  std::optional<PairList> decoded_queries;
  std::optional<TextList> headers;
  std::optional<TextList> cookies;
  std::optional<TextBuffer::Text> uri_path;
  std::optional<TextBuffer::Text> method;

  bool any() const {
    return queries || decoded_queries || headers || cookies || uri_path || method;
  }
};

// A property that is present: its value and type.
struct Property {
  napi_value value;
  ValueType type;
};

// Property `name` of the inputs, or nullopt when it is absent (own and inherited count,
// whatever the value). The value is got first, and whether the property exists is asked
// only when the value is undefined, so a getter runs once and a present value needs no
// second lookup.
napi::Result<std::optional<Property>> get_if_present(napi_env env, napi_value inputs,
                                                     const char* name) {
  BINDING_ASSIGN(napi_value value, napi::get_named(env, inputs, name));
  BINDING_ASSIGN(ValueType type, napi::type_of(env, value));
  if (type == ValueType::Undefined) {
    BINDING_ASSIGN(bool present, napi::has_named(env, inputs, name));
    if (!present) return std::optional<Property>();
  }
  return std::optional<Property>(Property{value, type});
}

// The query: a query string (decoded) or a pair list. A pair list is got again by its reader,
// as the property of the inputs it is.
napi::Status read_queries(napi_env env, napi_value inputs, TextBuffer& texts,
                          ConnectInputs& read) {
  static constexpr const char* kName = "queries";
  BINDING_ASSIGN(std::optional<Property> property, get_if_present(env, inputs, kName));
  if (!property) return {};
  if (property->type == ValueType::String) {
    BINDING_ASSIGN(TextBuffer::Text text, texts.append_string(env, property->value));
    read.decoded_queries = sorvane::urlencoded::decode(texts.view(text));
    return {};
  }
  if (property->type != ValueType::Object) {
    return support::invalid_arg(fmt::format("{} must be a string or array", kName));
  }
  BINDING_ASSIGN(read.queries, convert_string_array_prop(env, inputs, kName, texts));
  return {};
}

napi::Status read_pairs(napi_env env, napi_value inputs, const char* name, TextBuffer& texts,
                        std::optional<TextList>& target) {
  BINDING_ASSIGN(std::optional<Property> property, get_if_present(env, inputs, name));
  if (!property) return {};
  BINDING_ASSIGN(target,
                 convert_string_array(env, property->value, property->type, name, texts));
  return {};
}

napi::Status read_string(napi_env env, napi_value inputs, const char* name, TextBuffer& texts,
                         std::optional<TextBuffer::Text>& target) {
  BINDING_ASSIGN(std::optional<Property> property, get_if_present(env, inputs, name));
  if (!property) return {};
  BINDING_ASSIGN(target, texts.append_string(env, property->value));
  return {};
}

napi::Result<ConnectInputs> read_inputs(napi_env env, napi_value inputs, TextBuffer& texts) {
  ConnectInputs read;
  BINDING_TRY(read_queries(env, inputs, texts, read));
  BINDING_TRY(read_pairs(env, inputs, "headers", texts, read.headers));
  BINDING_TRY(read_pairs(env, inputs, "cookies", texts, read.cookies));
  BINDING_TRY(read_string(env, inputs, "uriPath", texts, read.uri_path));
  BINDING_TRY(read_string(env, inputs, "method", texts, read.method));
  return read;
}

}  // namespace

void add_header_evaluations(std::span<const std::string_view> headers,
                            std::span<const RuleType> rules, bool prefer_worth_watching,
                            ItemList& items) {
  for (std::size_t i = 0; i + 1 < headers.size(); i += 2) {
    const std::string_view name = headers[i];
    const std::string_view value = headers[i + 1];
    for (Finding& finding : sorvane::evaluation::input_analysis::header::check_header(
             name, value, rules, prefer_worth_watching)) {
      items.push_back(JsResultItem{{name}, name, value,
                                   std::move(finding.ids), finding.score, finding.rule,
                                   finding.input_type});
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
  TextBuffer texts;
  BINDING_ASSIGN(ConnectInputs inputs, read_inputs(env, call.arg(1), texts));
  if (!inputs.any()) return support::invalid_arg("no connect data to check");
  BINDING_ASSIGN(bool prefer_worth_watching, read_prefer_worth_watching(call, 2));
  sorvane::evaluation::rules::CONFIG();

  ItemList items;
  PairViews views;  // the views of one pair list at a time
  if (inputs.decoded_queries) {
    add_paired_evaluations(*inputs.decoded_queries, rules.rules(), InputType::ParameterKey,
                           InputType::ParameterValue, prefer_worth_watching, items);
  }
  if (inputs.queries) {
    add_paired_evaluations(views_of(texts, *inputs.queries, views), rules.rules(),
                           InputType::ParameterKey, InputType::ParameterValue,
                           prefer_worth_watching, items);
  }
  if (inputs.headers) {
    add_header_evaluations(views_of(texts, *inputs.headers, views), rules.rules(),
                           prefer_worth_watching, items);
  }
  if (inputs.cookies) {
    add_paired_evaluations(views_of(texts, *inputs.cookies, views), rules.rules(),
                           InputType::CookieName, InputType::CookieValue,
                           prefer_worth_watching, items);
  }
  if (inputs.uri_path) {
    add_uri_path_evaluation(texts.view(*inputs.uri_path), rules.rules(), prefer_worth_watching,
                            items);
  }
  if (inputs.method) add_method_tampering_evaluation(texts.view(*inputs.method), items);
  return make_response(env, items);
}

}  // namespace bindings::node::request::connect
