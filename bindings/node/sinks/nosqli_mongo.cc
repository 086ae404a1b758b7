#include "bindings/node/sinks/nosqli_mongo.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "bindings/node/sinks/args.h"
#include "bindings/node/result_objects.h"
#include "core/evaluation/input_analysis/json.h"
#include "core/evaluation/rules/mongo/query_type.h"
#include "core/evaluation/rules/rule_type.h"

namespace bindings::node::sinks::nosqli_mongo {
namespace {

namespace json = sorvane::evaluation::input_analysis::json;
namespace rules = sorvane::evaluation::rules;

}  // namespace

napi::Result<napi_value> is_mongo_query_type(napi_env env, napi_callback_info info) {
  return args::text_predicate(env, info, "missing string argument", rules::mongo::is_query_type);
}

napi::Result<napi_value> find_mongo_comparators(napi_env env, napi_callback_info info) {
  BINDING_ASSIGN(auto call, napi::get_cb_info<1>(env, info));
  BINDING_TRY(args::require(call, 1, "missing arguments"));
  BINDING_ASSIGN(auto reader, JsStringReader::init(call, 0));
  BINDING_ASSIGN(std::string_view body, reader.get_as_str());
  // The clauses are views into the body, and storing them runs JavaScript (a setter on
  // Array.prototype or Object.prototype) that may detach a Buffer: such a body is copied.
  std::string owned;
  if (reader.kind() == JsStringReader::Kind::Buffer) {
    owned = body;
    body = owned;
  }

  static constexpr std::array<rules::RuleType, 1> kMongoOnly = {rules::kNosqlInjectionMongo};
  json::JsonTableOutcome outcome = json::check_json_table(body, kMongoOnly, false);
  if (auto* error = std::get_if<sorvane::json::parse_error::ParseError>(&outcome)) {
    return support::generic_failure(error->details());
  }
  // The clauses alone; the pattern rule's findings are not part of the answer.
  const auto& table = std::get<json::JsonResultTable>(outcome);
  std::vector<const json::JsonResultTable::Entry*> clauses;
  for (const json::JsonResultTable::Entry& entry : table.entries) {
    if (entry.finding == json::JsonResultTable::kClause) clauses.push_back(&entry);
  }
  if (clauses.empty()) return napi::get_undefined(env);

  // Paths repeat the keys that enclose them: each key of the body becomes one string.
  BINDING_ASSIGN(napi_value list, result_objects::make_list(env, clauses.size()));
  result_objects::Objects objects(env, result_objects::Shape::Comparator, list);
  for (const json::JsonResultTable::Entry* clause : clauses) {
    BINDING_TRY(objects.begin());
    BINDING_TRY(objects.path(table.path(*clause)));
  }
  BINDING_TRY(objects.finish());
  return list;
}

}  // namespace bindings::node::sinks::nosqli_mongo
