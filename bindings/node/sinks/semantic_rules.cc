#include "bindings/node/sinks/semantic_rules.h"

#include <cstdint>
#include <optional>

#include "bindings/node/sinks/args.h"
#include "core/evaluation/rules/cmd_injection/semantic_chained_command.h"
#include "core/evaluation/rules/cmd_injection/semantic_dangerous_path.h"
#include "core/evaluation/rules/path_traversal/semantic_file_security_bypass.h"

namespace bindings::node::sinks::semantic_rules {
namespace {

namespace cmd_injection = sorvane::evaluation::rules::cmd_injection;
namespace path_traversal = sorvane::evaluation::rules::path_traversal;

}  // namespace

napi::Result<napi_value> is_dangerous_path(napi_env env, napi_callback_info info) {
  BINDING_ASSIGN(auto call, napi::get_cb_info<2>(env, info));
  BINDING_TRY(args::require(call, 2, "missing arguments"));
  BINDING_ASSIGN(auto reader, JsStringReader::init(call, 0));
  BINDING_ASSIGN(std::string_view path, reader.get_as_str());
  BINDING_ASSIGN(napi_value flag, napi::coerce_to_bool(env, call.arg(1)));
  BINDING_ASSIGN(bool is_custom_code, napi::get_value_bool(env, flag));
  return napi::get_boolean(env, path_traversal::semantic_file_security_bypass::is_dangerous_path(
                                    path, is_custom_code));
}

napi::Result<napi_value> contains_dangerous_path(napi_env env, napi_callback_info info) {
  return args::text_predicate(env, info, "missing arguments",
                              cmd_injection::semantic_dangerous_path::contains_dangerous_path);
}

napi::Result<napi_value> index_of_chaining(napi_env env, napi_callback_info info) {
  BINDING_ASSIGN(auto call, napi::get_cb_info<1>(env, info));
  BINDING_TRY(args::require(call, 1, "missing arguments"));
  BINDING_ASSIGN(auto reader, JsStringReader::init(call, 0));
  BINDING_ASSIGN(std::string_view command, reader.get_as_str());
  const std::optional<std::size_t> index =
      cmd_injection::semantic_chained_command::index_of_chaining(command);
  // The low 32 bits, read as signed.
  return napi::create_int32(
      env, index ? static_cast<std::int32_t>(static_cast<std::uint32_t>(*index)) : -1);
}

}  // namespace bindings::node::sinks::semantic_rules
