#include "core/evaluation/input_analysis/json.h"

#include <algorithm>

#include "core/evaluation/input_analysis/input.h"
#include "core/evaluation/rules/mongo/query_type.h"
#include "json/parser.h"

namespace sorvane::evaluation::input_analysis::json {
namespace {

using sorvane::json::lexemes::Token;
using sorvane::json::parser::ItemKind;

std::string_view string_content(std::string_view body, const Token& token) {
  return body.substr(token.byte_start + 1, token.byte_end - token.byte_start - 2);
}

}  // namespace

std::vector<std::string_view> build_str_path(std::string_view body, std::span<const Token> keys,
                                             std::size_t count) {
  // A count beyond the tokens given takes them all: nothing past them is read.
  const std::span<const Token> first = keys.first(std::min(count, keys.size()));
  std::vector<std::string_view> path;
  path.reserve(first.size());
  for (const Token& key : first) path.push_back(string_content(body, key));
  return path;
}

JsonOutcome check_json(std::string_view body, std::span<const rules::RuleType> rules,
                       bool prefer_worth_watching) {
  const bool mongo_selected =
      std::find(rules.begin(), rules.end(), rules::kNosqlInjectionMongo) != rules.end();
  std::vector<JsonResult> results;

  sorvane::json::parser::Parser parser(
      body, [&](std::span<const Token> key_stack, ItemKind kind, const Token& token) {
        const std::string_view text = string_content(body, token);
        const bool is_key = kind == ItemKind::Key;
        if (is_key && mongo_selected && rules::mongo::is_query_type(text)) {
          results.emplace_back(
              rules::mongo::QueryClause{build_str_path(body, key_stack, key_stack.size())});
        }
        const InputType type = is_key ? InputType::JsonKey : InputType::JsonValue;
        std::vector<rules::Finding> findings =
            input::check_input(text, type, rules, prefer_worth_watching);
        if (findings.empty()) return;
        // A key is reported at the path of the object that holds it.
        const std::vector<std::string_view> path =
            build_str_path(body, key_stack, key_stack.size() - (is_key ? 1 : 0));
        for (rules::Finding& finding : findings) {
          results.emplace_back(JsonFinding{std::move(finding), path, text});
        }
      });
  if (auto error = parser.parse()) return std::move(*error);
  return results;
}

}  // namespace sorvane::evaluation::input_analysis::json
