#include "core/evaluation/input_analysis/json.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>

#include "core/evaluation/input_analysis/input.h"
#include "core/evaluation/rules/mongo/query_type.h"
#include "core/log/log.h"
#include "core/text/equal_bytes.h"
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
// A path that extends the latest path appended, or is a leading part of it, takes its keys
// where they are and appends only the new ones: N nested keys give N paths in N keys, not
// N²/2. The budget still counts every key of every path.
class PathBudget {
 public:
  PathBudget(std::string_view body, std::size_t keys) : body_(body), remaining_(keys) {}

  // The place of the first `count` keys in `out`, while they fit the keys left; once one
  // path did not fit, the last of the `count` keys alone for this and every later path.
  struct Place {
    std::size_t start = 0;
    std::size_t size = 0;
  };
  Place path(std::span<const Token> keys, std::size_t count, std::vector<std::string_view>& out) {
    count = std::min(count, keys.size());
    if (!spent_ && count <= remaining_) {
      remaining_ -= count;
      return whole(keys.first(count), out);
    }
    spent_ = true;
    if (count == 0) return Place{out.size(), 0};
    if (count > 1) ++cut_;
    out.push_back(string_content(body_, keys[count - 1]));
    return Place{out.size() - 1, 1};
  }

  // The number of paths that lost keys.
  std::size_t cut() const { return cut_; }

 private:
  Place whole(std::span<const Token> keys, std::vector<std::string_view>& out) {
    if (keys.empty()) return Place{out.size(), 0};
    // A key token has one chain of enclosing keys: when the latest path holds the same token
    // at the last place both paths have, the shorter is the leading part of the longer.
    const std::size_t shared = std::min(keys.size(), latest_.size);
    const bool at_end = latest_.start + latest_.size == out.size();
    if (shared != 0 && at_end &&
        out[latest_.start + shared - 1].data() == body_.data() + keys[shared - 1].byte_start + 1) {
      for (const Token& key : keys.subspan(shared)) out.push_back(string_content(body_, key));
      latest_.size = std::max(latest_.size, keys.size());
      return Place{latest_.start, keys.size()};
    }
    latest_ = Place{out.size(), keys.size()};
    for (const Token& key : keys) out.push_back(string_content(body_, key));
    return latest_;
  }

  std::string_view body_;
  std::size_t remaining_;
  bool spent_ = false;
  std::size_t cut_ = 0;
  Place latest_;  // the latest path whose keys were appended, grown by those that extend it
};

// The answers of one body's texts of one input type, found again by their bytes: per text,
// where its findings start in the table's finding list and how many there are (none is an
// answer too). A text's findings depend only on its bytes, its input type and the call's rule
// list and preference (not on its path or its object), so a repeat has the same ones. A slot
// holds the last text of its length and first and last bytes: memory stays fixed, a lookup
// compares the text with one other, and a text pushed out is only evaluated again.
class Answers {
 public:
  struct Answer {
    std::size_t first = 0;  // in JsonResultTable::findings
    std::size_t count = 0;
  };

  explicit Answers(std::string_view body) : body_(body) {}

  // The slot of `text`: where `find` looks for it and `add` puts it.
  static std::size_t slot(std::string_view text) {
    if (text.empty()) return 0;
    return (text.size() * 31 + static_cast<unsigned char>(text.front()) * 7 +
            static_cast<unsigned char>(text.back())) %
           kSlots;
  }

  // The answer of `text`, a view into the body, held in its slot `index`.
  bool find(std::size_t index, std::string_view text, Answer& answer) const {
    const Slot& held = slots_[index];
    if (held.size_and_one != text.size() + 1 ||
        !text::equal_bytes(std::string_view(body_.data() + held.start, text.size()), text)) {
      return false;
    }
    answer = Answer{held.first, held.count};
    return true;
  }

  // Puts the answer of `text` in its slot `index`; one whose places need more than 32 bits is
  // not remembered.
  void add(std::size_t index, std::string_view text, Answer answer) {
    constexpr std::size_t kMax = std::numeric_limits<std::uint32_t>::max();
    const auto start = static_cast<std::size_t>(text.data() - body_.data());
    if (start > kMax || text.size() >= kMax || answer.first > kMax - answer.count) return;
    slots_[index] = Slot{static_cast<std::uint32_t>(start),
                         static_cast<std::uint32_t>(text.size() + 1),
                         static_cast<std::uint32_t>(answer.first),
                         static_cast<std::uint32_t>(answer.count)};
  }

 private:
  static constexpr std::size_t kSlots = 256;

  // 16 bytes: a text's place in the body (size and one; 0 for an empty slot), its answer.
  struct Slot {
    std::uint32_t start = 0;
    std::uint32_t size_and_one = 0;
    std::uint32_t first = 0;
    std::uint32_t count = 0;
  };
  std::string_view body_;
  std::array<Slot, kSlots> slots_{};
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

// The evaluation of one body's keys and values into one table, item by item as the parser
// reads them.
class BodyEvaluation {
 public:
  BodyEvaluation(std::string_view body, std::span<const rules::RuleType> rules,
                 bool prefer_worth_watching, bool answer_repeats)
      : body_(body),
        rules_(rules),
        prefer_worth_watching_(prefer_worth_watching),
        answer_repeats_(answer_repeats),
        mongo_selected_(std::find(rules.begin(), rules.end(), rules::kNosqlInjectionMongo) !=
                        rules.end()),
        budget_(body, path_key_budget(body)),
        key_screen_(InputType::JsonKey, rules, prefer_worth_watching),
        value_screen_(InputType::JsonValue, rules, prefer_worth_watching),
        key_answers_(body),
        value_answers_(body) {}

  void item(std::span<const Token> key_stack, ItemKind kind, const Token& token) {
    const std::string_view text = string_content(body_, token);
    const bool is_key = kind == ItemKind::Key;
    if (is_key && mongo_selected_ && rules::mongo::is_query_type(text)) {
      const PathBudget::Place path = budget_.path(key_stack, key_stack.size(), table_.keys);
      table_.entries.push_back(Entry{path.start, path.size, JsonResultTable::kClause, {}});
    }
    // Every line an evaluation writes, with findings or without, is a debug or trace line
    // (the loop's lines and the rules' own): while those are off, a repeated text gets its
    // first answer without a line missing. Its entries share the first one's findings.
    const bool repeats_answered = answer_repeats_ && !log::enabled(log::Level::Debug);
    Answers& answers = is_key ? key_answers_ : value_answers_;
    const std::size_t slot = Answers::slot(text);
    Answers::Answer answer;
    if (!repeats_answered || !answers.find(slot, text, answer)) {
      answer = evaluate(text, is_key);
      if (repeats_answered) answers.add(slot, text, answer);
    }
    if (answer.count != 0) add_entries(key_stack, is_key, text, answer);
  }

  // The table, once every item is in.
  JsonResultTable& table() {
    table_.findings = std::move(lists_.findings);
    return table_;
  }
  const PathBudget& budget() const { return budget_; }

 private:
  using Entry = JsonResultTable::Entry;

  // Evaluates a text and appends its findings to the body's. Out of line, like
  // `add_entries`: the path of a repeat that found nothing stays short.
  [[gnu::noinline]] Answers::Answer evaluate(std::string_view text, bool is_key) {
    const std::size_t first = lists_.findings.size();
    input::check_input(text, is_key ? InputType::JsonKey : InputType::JsonValue, rules_,
                       prefer_worth_watching_, is_key ? key_screen_ : value_screen_, lists_);
    return Answers::Answer{first, lists_.findings.size() - first};
  }

  // One entry per finding of the answer, at the text's path.
  [[gnu::noinline]] void add_entries(std::span<const Token> key_stack, bool is_key,
                                     std::string_view text, Answers::Answer answer) {
    // A key is reported at the path of the object that holds it.
    const std::size_t depth = key_stack.size() - (is_key ? 1 : 0);
    for (std::size_t i = 0; i < answer.count; ++i) {
      const PathBudget::Place path = budget_.path(key_stack, depth, table_.keys);
      table_.entries.push_back(Entry{path.start, path.size, answer.first + i, text});
    }
  }

  std::string_view body_;
  std::span<const rules::RuleType> rules_;
  bool prefer_worth_watching_;
  bool answer_repeats_;
  bool mongo_selected_;
  JsonResultTable table_;
  PathBudget budget_;
  const rule_loop::Screen key_screen_;
  const rule_loop::Screen value_screen_;
  Answers key_answers_;
  Answers value_answers_;
  // The findings of every text so far, in the order of their answers' `first`; the table
  // takes them at the end.
  rule_loop::Lists lists_;
};

// The table of `body`; with `answer_repeats`, repeated texts as described at `Answers`.
JsonTableOutcome evaluate_body(std::string_view body, std::span<const rules::RuleType> rules,
                               bool prefer_worth_watching, bool answer_repeats) {
  BodyEvaluation evaluation(body, rules, prefer_worth_watching, answer_repeats);
  auto error = sorvane::json::parser::parse_items(
      body, [&](std::span<const Token> key_stack, ItemKind kind, const Token& token) {
        evaluation.item(key_stack, kind, token);
      });
  if (error) return std::move(*error);
  const PathBudget& budget = evaluation.budget();
  if (budget.cut() != 0) {
    SORVANE_WARN(kTarget,
                 "key paths of a {}-byte JSON body pass its budget of {} keys; paths cut to "
                 "their last key: {}",
                 body.size(), path_key_budget(body), budget.cut());
  }
  return std::move(evaluation.table());
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
