#include "core/evaluation/input_analysis/json.h"

#include <algorithm>
#include <functional>

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

// The answers of one body's texts of one input type, found again by their bytes: per text,
// where its findings start in the table's finding list and how many there are (none is an
// answer too). A text's findings depend only on its bytes, its input type and the call's rule
// list and preference, so a repeat has the same ones.
//
// Slots are found by the text's hash, within a window of a few slots from its home slot; a
// text that finds the window full takes its home slot over. The slots double while at most
// half of them are taken, up to `kMaxSlots`: memory stays bounded whatever the body, and a
// lookup costs the text's hash and at most one comparison of its bytes per slot in the
// window. A text that is not remembered (or was pushed out) is only evaluated again.
class Answers {
 public:
  struct Answer {
    std::size_t first = 0;  // in JsonResultTable::findings
    std::size_t count = 0;
  };

  const Answer* find(std::string_view text, std::size_t hash) const {
    if (slots_.empty()) return nullptr;
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = 0; i < kWindow; ++i) {
      const Slot& slot = slots_[(hash + i) & mask];
      if (!slot.taken) return nullptr;
      if (slot.hash == hash && slot.text == text) return &slot.answer;
    }
    return nullptr;
  }

  // Remembers the answer of a text that `find` does not know.
  void add(std::string_view text, std::size_t hash, Answer answer) {
    if (slots_.size() < kMaxSlots && taken_ * 2 >= slots_.size()) grow();
    place(Slot{hash, text, answer, true});
  }

  static constexpr std::size_t kFirstSlots = 64;
  static constexpr std::size_t kMaxSlots = 2048;
  static constexpr std::size_t kWindow = 4;

 private:
  struct Slot {
    std::size_t hash = 0;
    std::string_view text;
    Answer answer;
    bool taken = false;
  };

  void place(const Slot& slot) {
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = 0; i < kWindow; ++i) {
      Slot& free = slots_[(slot.hash + i) & mask];
      if (!free.taken) {
        free = slot;
        ++taken_;
        return;
      }
    }
    slots_[slot.hash & mask] = slot;
  }

  void grow() {
    std::vector<Slot> old(slots_.empty() ? kFirstSlots : slots_.size() * 2);
    old.swap(slots_);
    taken_ = 0;
    for (const Slot& slot : old) {
      if (slot.taken) place(slot);
    }
  }

  std::vector<Slot> slots_;
  std::size_t taken_ = 0;
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

namespace {

// The table of `body`; with `answer_repeats`, repeated texts as described at `Answers`.
JsonTableOutcome evaluate_body(std::string_view body, std::span<const rules::RuleType> rules,
                               bool prefer_worth_watching, bool answer_repeats) {
  const bool mongo_selected =
      std::find(rules.begin(), rules.end(), rules::kNosqlInjectionMongo) != rules.end();
  JsonResultTable table;
  PathBudget budget(body, path_key_budget(body));
  const rule_loop::Screen key_screen(InputType::JsonKey, rules, prefer_worth_watching);
  const rule_loop::Screen value_screen(InputType::JsonValue, rules, prefer_worth_watching);
  Answers key_answers;
  Answers value_answers;
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
        // A key is reported at the path of the object that holds it.
        const std::size_t depth = key_stack.size() - (is_key ? 1 : 0);
        const auto add_entries = [&](Answers::Answer answer) {
          for (std::size_t i = 0; i < answer.count; ++i) {
            const std::size_t start = table.keys.size();
            const std::size_t size = budget.path(key_stack, depth, table.keys);
            table.entries.push_back(Entry{start, size, answer.first + i, text});
          }
        };
        // Every line an evaluation writes, with findings or without, is a debug or trace line
        // (the loop's lines and the rules' own): while those are off, a repeated text gets its
        // first answer without a line missing. Its entries share the first one's findings.
        const bool repeats_answered = answer_repeats && !log::enabled(log::Level::Debug);
        Answers& answers = is_key ? key_answers : value_answers;
        const std::size_t hash = repeats_answered ? std::hash<std::string_view>{}(text) : 0;
        if (repeats_answered) {
          if (const Answers::Answer* known = answers.find(text, hash)) {
            add_entries(*known);
            return;
          }
        }
        std::vector<rules::Finding> findings = input::check_input(
            text, type, rules, prefer_worth_watching, is_key ? key_screen : value_screen);
        const Answers::Answer answer{table.findings.size(), findings.size()};
        for (rules::Finding& finding : findings) table.findings.push_back(std::move(finding));
        if (repeats_answered) answers.add(text, hash, answer);
        add_entries(answer);
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

// The results of a table. Entries of a repeated text share findings: each finding is moved
// into the result of the last entry that reads it and copied into the others.
JsonOutcome results_of(JsonTableOutcome outcome) {
  if (auto* error = std::get_if<sorvane::json::parse_error::ParseError>(&outcome)) {
    return std::move(*error);
  }
  JsonResultTable& table = std::get<JsonResultTable>(outcome);
  std::vector<JsonResult> results;
  results.reserve(table.entries.size());
  std::vector<std::size_t> last_reader(table.findings.size());
  for (std::size_t i = 0; i < table.entries.size(); ++i) {
    if (table.entries[i].finding != JsonResultTable::kClause) {
      last_reader[table.entries[i].finding] = i;
    }
  }
  for (std::size_t i = 0; i < table.entries.size(); ++i) {
    const JsonResultTable::Entry& entry = table.entries[i];
    const std::span<const std::string_view> path = table.path(entry);
    std::vector<std::string_view> keys(path.begin(), path.end());
    if (entry.finding == JsonResultTable::kClause) {
      results.emplace_back(rules::mongo::QueryClause{std::move(keys)});
    } else {
      rules::Finding& finding = table.findings[entry.finding];
      results.emplace_back(JsonFinding{last_reader[entry.finding] == i ? std::move(finding)
                                                                       : finding,
                                       std::move(keys), entry.value});
    }
  }
  return results;
}

}  // namespace

JsonTableOutcome check_json_table(std::string_view body, std::span<const rules::RuleType> rules,
                                  bool prefer_worth_watching) {
  return evaluate_body(body, rules, prefer_worth_watching, true);
}

JsonOutcome check_json(std::string_view body, std::span<const rules::RuleType> rules,
                       bool prefer_worth_watching) {
  return results_of(check_json_table(body, rules, prefer_worth_watching));
}

JsonOutcome check_json_evaluating_every_text(std::string_view body,
                                             std::span<const rules::RuleType> rules,
                                             bool prefer_worth_watching) {
  return results_of(evaluate_body(body, rules, prefer_worth_watching, false));
}

}  // namespace sorvane::evaluation::input_analysis::json
