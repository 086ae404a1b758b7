#include "bindings/node/request/header.h"

#include "bindings/node/request/mod.h"
#include "core/evaluation/input_analysis/header.h"

namespace bindings::node::request::header {

napi::Result<napi_value> eval_header(napi_env env, napi_callback_info info) {
  BINDING_ASSIGN(auto call, napi::get_cb_info<4>(env, info));
  if (call.argc < 3) {
    return support::invalid_arg("requires rules, header name, and header value arguments");
  }
  BINDING_ASSIGN(RuleList rules, read_rules(env, call.arg(0)));
  // Reading the options, or a String object value, may run JavaScript.
  BINDING_ASSIGN(TextArgument name, read_text_argument(call, 1, call.argc > 3));
  if (name.borrowed()) {
    BINDING_ASSIGN(bool runs_javascript,
                   JsStringReader::read_can_run_javascript(env, call.arg(2)));
    if (runs_javascript) name.own();
  }
  BINDING_ASSIGN(TextArgument value, read_text_argument(call, 2, call.argc > 3));
  BINDING_ASSIGN(bool prefer_worth_watching, read_prefer_worth_watching(call, 3));
  const auto findings = sorvane::evaluation::input_analysis::header::check_header(
      name.text(), value.text(), rules.rules(), prefer_worth_watching);
  return findings_or_undefined(env, findings);
}

}  // namespace bindings::node::request::header
