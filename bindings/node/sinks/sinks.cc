#include "bindings/node/sinks/sinks.h"

#include <array>
#include <cstdint>
#include <optional>

#include "bindings/node/sinks/args.h"
#include "core/evaluation/rules/cmd_injection/cmd_sink.h"
#include "core/evaluation/rules/sql_injection/context_free.h"
#include "core/evaluation/rules/sql_injection/db_type.h"
#include "core/evaluation/rules/sql_injection/sql_sink.h"
#include "core/evaluation/rules/ssjs_injection/sink_check.h"

namespace bindings::node::sinks {
namespace {

namespace cmd_injection = sorvane::evaluation::rules::cmd_injection;
namespace sql_injection = sorvane::evaluation::rules::sql_injection;
namespace ssjs = sorvane::evaluation::rules::ssjs_injection::sink_check;

// Fills `object` with the four fields of a sink result (CmdiSinkResult or SqliSinkResult),
// each cut to its low 32 bits; the property names are created before any value.
template <class SinkResult>
napi::Result<napi_value> boundary_object(napi_env env, napi_value object,
                                         const std::optional<SinkResult>& result) {
  if (!result) return napi::get_undefined(env);
  static constexpr std::array<const char*, 4> kNames = {"startIndex", "endIndex", "overrunIndex",
                                                        "boundaryIndex"};
  const std::array<std::size_t, 4> fields = {result->start_index, result->end_index,
                                             result->boundary_overrun_index,
                                             result->input_boundary_index};
  std::array<napi_value, 4> keys{};
  for (std::size_t i = 0; i < keys.size(); ++i) {
    BINDING_ASSIGN(keys[i], napi::create_string(env, kNames[i]));
  }
  for (std::size_t i = 0; i < keys.size(); ++i) {
    BINDING_ASSIGN(napi_value number,
                   napi::create_uint32(env, static_cast<std::uint32_t>(fields[i])));
    BINDING_TRY(napi::set_property(env, object, keys[i], number));
  }
  return object;
}

// 1..6 name a dialect; 0 and everything from 7 on are the generic one.
sql_injection::DbType db_type_from(std::uint32_t value) {
  if (value >= 1 && value <= 6) return static_cast<sql_injection::DbType>(value);
  return sql_injection::DbType::Unknown;
}

}  // namespace

napi::Result<napi_value> eval_cmdi_sink(napi_env env, napi_callback_info info) {
  BINDING_ASSIGN(auto call, napi::get_cb_info<3>(env, info));
  BINDING_TRY(args::require(call, 3, "missing arguments"));
  BINDING_ASSIGN(args::InputSpan input, args::read_span(call, 0));
  BINDING_ASSIGN(auto reader, JsStringReader::init(call, 2));
  BINDING_ASSIGN(std::string_view command, reader.get_as_str());
  BINDING_ASSIGN(napi_value object, napi::create_object(env));
  return boundary_object(env, object,
                         cmd_injection::check_command(input.index, input.length, command));
}

napi::Result<napi_value> eval_sqli_sink(napi_env env, napi_callback_info info) {
  BINDING_ASSIGN(auto call, napi::get_cb_info<4>(env, info));
  // Three suffice for the count; a missing query then fails as a text argument.
  BINDING_TRY(args::require(call, 3, "missing arguments"));
  BINDING_ASSIGN(args::InputSpan input, args::read_span(call, 0));
  BINDING_ASSIGN(std::uint32_t db_kind, args::read_u32(call, 2));
  BINDING_ASSIGN(auto reader, JsStringReader::init(call, 3));
  BINDING_ASSIGN(std::string_view query, reader.get_as_str());
  BINDING_ASSIGN(napi_value object, napi::create_object(env));
  return boundary_object(env, object,
                         sql_injection::check_sql_query(input.index, input.length,
                                                        db_type_from(db_kind), query));
}

napi::Result<napi_value> eval_ssjs_sink(napi_env env, napi_callback_info info) {
  BINDING_ASSIGN(auto call, napi::get_cb_info<3>(env, info));
  BINDING_TRY(args::require(call, 3,
                            "required arguments: string, user-input-index, user-input-length"));
  BINDING_ASSIGN(auto reader, JsStringReader::init(call, 0));
  BINDING_ASSIGN(std::string_view code, reader.get_as_str());
  BINDING_ASSIGN(args::InputSpan input, args::read_span(call, 1));
  return napi::get_boolean(env, ssjs::check_js_code(code, input.index, input.length));
}

napi::Result<napi_value> eval_context_free_sqli(napi_env env, napi_callback_info info) {
  return args::text_predicate(env, info, "required argument: string",
                              sql_injection::context_free::check_context_free_sql);
}

}  // namespace bindings::node::sinks
