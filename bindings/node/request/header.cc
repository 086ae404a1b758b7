#include "bindings/node/request/header.h"

#include "bindings/node/js_string_reader.h"
#include "bindings/node/request/mod.h"
#include "core/evaluation/input_analysis/header.h"

namespace bindings::node::request::header {

napi::Result<napi_value> eval_header(napi_env env, napi_callback_info info) {
  BINDING_ASSIGN(auto call, napi::get_cb_info<4>(env, info));
  if (call.argc < 3) {
    return support::invalid_arg("requires rules, header name, and header value arguments");
  }
  BINDING_ASSIGN(RuleList rules, read_rules(env, call.arg(0)));
  BINDING_ASSIGN(JsStringReader name_arg, JsStringReader::init(call, 1));
  BINDING_ASSIGN(std::string_view name, name_arg.get_as_str());
  BINDING_ASSIGN(JsStringReader value_arg, JsStringReader::init(call, 2));
  BINDING_ASSIGN(std::string_view value, value_arg.get_as_str());
  BINDING_ASSIGN(bool prefer_worth_watching, read_prefer_worth_watching(call, 3));
  const auto findings = sorvane::evaluation::input_analysis::header::check_header(
      name, value, rules.rules(), prefer_worth_watching);
  return findings_or_undefined(env, findings);
}

}  // namespace bindings::node::request::header
