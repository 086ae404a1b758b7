// A JSON body against any rule list: results are views into the body in document order,
// findings are keys or string values, and operator clauses appear only for the MongoDB rule.
// Answering repeated texts from their first evaluation changes no result.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>
#include <variant>

#include "core/evaluation/input_analysis/json.h"
#include "fuzz/fuzz_input.h"

namespace json = sorvane::evaluation::input_analysis::json;
namespace rules = sorvane::evaluation::rules;
using sorvane::evaluation::InputType;

namespace {

void check_path(const std::vector<std::string_view>& path, std::string_view body) {
  const char* previous = body.data();
  for (auto key : path) {
    FUZZ_CHECK(quenlith_fuzz::inside(key, body));
    FUZZ_CHECK(std::less_equal<const char*>()(previous, key.data()));
    previous = key.data();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  quenlith_fuzz::FuzzInput in(data, size);
  const auto rule_list = in.rule_list();
  const bool prefer_worth_watching = in.flag();
  const std::string_view body = in.rest();
  if (!quenlith_fuzz::is_text(body)) return -1;

  // With debug lines off, repeats are answered from their first evaluation.
  const auto outcome = quenlith_fuzz::same_with_lines_off(
      [&] { return json::check_json(body, rule_list, prefer_worth_watching); });
  const auto* results = std::get_if<std::vector<json::JsonResult>>(&outcome);
  if (!results) {
    FUZZ_CHECK(!std::get<1>(outcome).details().empty());
    return 0;
  }
  const bool mongo = std::find(rule_list.begin(), rule_list.end(),
                               rules::kNosqlInjectionMongo) != rule_list.end();
  const char* previous = body.data();
  // All paths together stay within the body's key budget, past which a path holds one key.
  std::size_t keys = 0;
  for (const auto& result : *results) {
    if (const auto* clause = std::get_if<rules::mongo::QueryClause>(&result)) {
      keys += clause->path.size();
      FUZZ_CHECK(mongo && clause->score == 10.0 && !clause->path.empty());
      check_path(clause->path, body);
      FUZZ_CHECK(std::less_equal<const char*>()(previous, clause->path.back().data()));
      previous = clause->path.back().data();
      continue;
    }
    const auto& finding = std::get<json::JsonFinding>(result);
    keys += finding.path.size();
    FUZZ_CHECK(quenlith_fuzz::inside(finding.value, body));
    FUZZ_CHECK(finding.value.data() > body.data() && finding.value.data()[-1] == '"');
    FUZZ_CHECK(std::less_equal<const char*>()(previous, finding.value.data()));
    previous = finding.value.data();
    FUZZ_CHECK(finding.finding.input_type == InputType::JsonKey ||
               finding.finding.input_type == InputType::JsonValue);
    check_path(finding.path, body);
    // A key's path ends with the key of its object, a value's with its own key: both
    // stand before it.
    if (!finding.path.empty()) {
      FUZZ_CHECK(std::less<const char*>()(finding.path.back().data(), finding.value.data()));
    }
  }
  FUZZ_CHECK(keys <= json::path_key_budget(body) + results->size());
  return 0;
}
