#include "core/evaluation/input_analysis/json.h"

#include <algorithm>
#include <array>

#include "core/evaluation/input_analysis/input.h"
#include "core/evaluation/rules/mongo/query_type.h"
#include "core/log/log.h"
#include "json/parser.h"

namespace sorvane::evaluation::input_analysis::json {
namespace {

using sorvane::json::lexemes::Token;
using sorvane::json::parser::ItemKind;

constexpr std::string_view kTarget = "sorvane::evaluation::input_analysis::json";

std::string_view string_content(std::string_view body, const Token& token) {
  return body.substr(token.byte_start + 1, token.byte_end - token.byte_start - 2);
}

// Hands out the result paths of one body within its key budget, appended to one key list.
class PathBudget {
 public:
  PathBudget(std::string_view body, std::size_t keys) : body_(body), remaining_(keys) {}

  // Appends the first `count` keys to `out`, while they fit the keys left; once one path did
  // not fit, the last of the `count` keys alone for this and every later path. Answers the
  // number of keys appended.
  std::size_t path(std::span<const Token> keys, std::size_t count,
                   std::vector<std::string_view>& out) {
    count = std::min(count, keys.size());
    if (!spent_ && count <= remaining_) {
      remaining_ -= count;
      append(keys.first(count), out);
      return count;
    }
    spent_ = true;
    if (count == 0) return 0;
    if (count > 1) ++cut_;
    append(keys.subspan(count - 1, 1), out);
    return 1;
  }

  // The number of paths that lost keys.
  std::size_t cut() const { return cut_; }

 private:
  void append(std::span<const Token> keys, std::vector<std::string_view>& out) const {
    for (const Token& key : keys) out.push_back(string_content(body_, key));
  }

  std::string_view body_;
  std::size_t remaining_;
  bool spent_ = false;
  std::size_t cut_ = 0;
};

// Texts of one body, of one input type, whose evaluation found nothing, found again by
// their bytes: the keys of every record and recurring values are evaluated once. A slot
// holds the last such text of its length and first and last bytes.
class NothingFound {
 public:
  bool contains(std::string_view text) const {
    const std::string_view held = slots_[slot(text)];
    return held.data() != nullptr && held == text;
  }
  void add(std::string_view text) { slots_[slot(text)] = text; }

 private:
  static constexpr std::size_t kSlots = 256;
  static std::size_t slot(std::string_view text) {
    if (text.empty()) return 0;
    return (text.size() * 31 + static_cast<unsigned char>(text.front()) * 7 +
            static_cast<unsigned char>(text.back())) %
           kSlots;
  }
  std::array<std::string_view, kSlots> slots_{};
};

}  // namespace

std::size_t path_key_budget(std::string_view body) { return body.size() / 2; }

std::vector<std::string_view> build_str_path(std::string_view body, std::span<const Token> keys,
                                             std::size_t count) {
  // A count beyond the tokens given takes them all: nothing past them is read.
  const std::span<const Token> first = keys.first(std::min(count, keys.size()));
  std::vector<std::string_view> path;
  path.reserve(first.size());
  for (const Token& key : first) path.push_back(string_content(body, key));
  return path;
}

JsonTableOutcome check_json_table(std::string_view body, std::span<const rules::RuleType> rules,
                                  bool prefer_worth_watching) {
  const bool mongo_selected =
      std::find(rules.begin(), rules.end(), rules::kNosqlInjectionMongo) != rules.end();
  JsonResultTable table;
  PathBudget budget(body, path_key_budget(body));
  const rule_loop::Screen key_screen(InputType::JsonKey, rules, prefer_worth_watching);
  const rule_loop::Screen value_screen(InputType::JsonValue, rules, prefer_worth_watching);
  NothingFound keys_without_findings;
  NothingFound values_without_findings;
  std::vector<rules::Finding> findings;  // one text's, reused
  using Entry = JsonResultTable::Entry;

  sorvane::json::parser::Parser parser(
      body, [&](std::span<const Token> key_stack, ItemKind kind, const Token& token) {
        const std::string_view text = string_content(body, token);
        const bool is_key = kind == ItemKind::Key;
        if (is_key && mongo_selected && rules::mongo::is_query_type(text)) {
          const std::size_t start = table.keys.size();
          const std::size_t size = budget.path(key_stack, key_stack.size(), table.keys);
          table.entries.push_back(Entry{start, size, JsonResultTable::kClause, {}});
        }
        const InputType type = is_key ? InputType::JsonKey : InputType::JsonValue;
        // An evaluation that finds nothing logs only debug and trace lines: while those are
        // off, a repeat of such a text has the same answer and the same (no) lines.
        NothingFound& nothing_found = is_key ? keys_without_findings : values_without_findings;
        const bool repeat_answered = !log::enabled(log::Level::Debug);
        if (repeat_answered && nothing_found.contains(text)) return;
        input::check_input(text, type, rules, prefer_worth_watching,
                           is_key ? key_screen : value_screen, findings);
        if (repeat_answered && findings.empty()) nothing_found.add(text);
        // A key is reported at the path of the object that holds it.
        const std::size_t depth = key_stack.size() - (is_key ? 1 : 0);
        for (rules::Finding& finding : findings) {
          const std::size_t start = table.keys.size();
          const std::size_t size = budget.path(key_stack, depth, table.keys);
          table.entries.push_back(Entry{start, size, table.findings.size(), text});
          table.findings.push_back(std::move(finding));
        }
      });
  if (auto error = parser.parse()) return std::move(*error);
  if (budget.cut() != 0) {
    SORVANE_WARN(kTarget,
                 "key paths of a {}-byte JSON body pass its budget of {} keys; paths cut to "
                 "their last key: {}",
                 body.size(), path_key_budget(body), budget.cut());
  }
  return table;
}

JsonOutcome check_json(std::string_view body, std::span<const rules::RuleType> rules,
                       bool prefer_worth_watching) {
  JsonTableOutcome outcome = check_json_table(body, rules, prefer_worth_watching);
  if (auto* error = std::get_if<sorvane::json::parse_error::ParseError>(&outcome)) {
    return std::move(*error);
  }
  JsonResultTable& table = std::get<JsonResultTable>(outcome);
  std::vector<JsonResult> results;
  results.reserve(table.entries.size());
  for (const JsonResultTable::Entry& entry : table.entries) {
    const std::span<const std::string_view> path = table.path(entry);
    std::vector<std::string_view> keys(path.begin(), path.end());
    if (entry.finding == JsonResultTable::kClause) {
      results.emplace_back(rules::mongo::QueryClause{std::move(keys)});
    } else {
      results.emplace_back(
          JsonFinding{std::move(table.findings[entry.finding]), std::move(keys), entry.value});
    }
  }
  return results;
}

}  // namespace sorvane::evaluation::input_analysis::json
