#include "bindings/node/constants.h"

#include <string>

#include "core/evaluation/input_type.h"
#include "core/evaluation/rules/rule_type.h"
#include "core/evaluation/rules/sql_injection/db_type.h"

namespace bindings::node::constants {
namespace {

namespace rules = sorvane::evaluation::rules;

napi::Status set_number(napi_env env, napi_value object, std::string_view key,
                        std::int64_t value) {
  BINDING_ASSIGN(napi_value key_value, napi::create_string(env, key));
  BINDING_ASSIGN(napi_value number, napi::create_int64(env, value));
  return napi::set_property(env, object, key_value, number);
}

}  // namespace

napi::Result<napi_value> make(napi_env env) {
  BINDING_ASSIGN(napi_value result, napi::create_object(env));
  BINDING_ASSIGN(napi_value rule_types, napi::create_object(env));
  BINDING_ASSIGN(napi_value input_types, napi::create_object(env));
  BINDING_ASSIGN(napi_value db_types, napi::create_object(env));

  for (std::size_t index = 0; index < rules::kRuleCount; ++index) {
    BINDING_TRY(set_number(env, rule_types, rules::RULE_NAMES[index], std::int64_t{1} << index));
  }
  for (std::uint8_t type = 1; type <= 14; ++type) {
    auto name = sorvane::evaluation::input_type_name(static_cast<sorvane::evaluation::InputType>(type));
    BINDING_TRY(set_number(env, input_types, name, type));
  }
  for (std::uint8_t kind = 1; kind <= 7; ++kind) {
    auto name = rules::sql_injection::db_type_name(static_cast<rules::sql_injection::DbType>(kind));
    BINDING_TRY(set_number(env, db_types, name, kind));
  }

  BINDING_TRY(napi::set_named(env, result, "RuleType", rule_types));
  BINDING_TRY(napi::set_named(env, result, "InputType", input_types));
  BINDING_TRY(napi::set_named(env, result, "DbType", db_types));
  return result;
}

}  // namespace bindings::node::constants
