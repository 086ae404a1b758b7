#include "bindings/node/request/atom.h"

#include <cstdint>

#include <fmt/format.h>

#include "bindings/node/request/mod.h"
#include "core/evaluation/input_analysis/input.h"

namespace bindings::node::request::atom {

napi::Result<napi_value> eval_atom(napi_env env, napi_callback_info info) {
  BINDING_ASSIGN(auto call, napi::get_cb_info<4>(env, info));
  BINDING_ASSIGN(RuleList rules, read_rules(env, call.arg(0)));
  // The options, read last, may run JavaScript.
  BINDING_ASSIGN(TextArgument value, read_text_argument(call, 1, call.argc > 3));
  BINDING_ASSIGN(std::int64_t type_number, napi::get_value_int64(env, call.arg(2)));
  const auto type = static_cast<std::uint64_t>(type_number);
  if (type < 1 || type > 14) {
    return support::invalid_arg(fmt::format("invalid input type: {}", type));
  }
  BINDING_ASSIGN(bool prefer_worth_watching, read_prefer_worth_watching(call, 3));
  const auto findings = sorvane::evaluation::input_analysis::input::check_input(
      value.text(), static_cast<InputType>(type), rules.rules(), prefer_worth_watching);
  return findings_or_undefined(env, findings);
}

}  // namespace bindings::node::request::atom
