// Evaluation of a JSON request body: every object key and string value, with its key path.
#pragma once

#include <cstddef>
#include <span>
#include <string_view>
#include <variant>
#include <vector>

#include "core/evaluation/rules/mongo/query_clause.h"
#include "core/evaluation/rules/rule.h"
#include "json/lexemes.h"
#include "json/parse_error.h"

namespace sorvane::evaluation::input_analysis::json {

// A finding on one key or string value. `path` and `value` are views into the body, as
// written between the quotation marks (escapes not decoded). The path of a key ends with the
// key of the object holding it; the path of a value ends with the value's own key.
struct JsonFinding {
  rules::Finding finding;
  std::vector<std::string_view> path;
  std::string_view value;
  bool operator==(const JsonFinding&) const = default;
};

using JsonResult = std::variant<JsonFinding, rules::mongo::QueryClause>;

// The results in document order, or the error of invalid JSON (then no results at all).
using JsonOutcome = std::variant<std::vector<JsonResult>, sorvane::json::parse_error::ParseError>;

// The same results in three flat lists, so that a result allocates nothing of its own: a body
// with thousands of results made thousands of small path lists, and moved them all each
// time the result list grew.
//
// Entries may share a finding: a text that recurs in the body with the same input type (key
// or value) has the same findings, and while debug lines are off the entries of its repeats
// point at the findings of its first evaluation. Read findings through the entries; a reader
// that moves a finding out must copy it where a later entry still reads it.
struct JsonResultTable {
  // An entry whose finding is this is an operator key's QueryClause.
  static constexpr std::size_t kClause = static_cast<std::size_t>(-1);

  struct Entry {
    // The path: keys[path_start, path_start + path_size). Paths may share keys: one that
    // runs deeper than the path before it, within the same objects, extends its keys.
    std::size_t path_start = 0;
    std::size_t path_size = 0;
    std::size_t finding = kClause;  // its place in `findings` (possibly shared)
    std::string_view value;         // a finding's text (empty for a clause)
  };

  std::vector<Entry> entries;  // in document order
  std::vector<std::string_view> keys;
  std::vector<rules::Finding> findings;

  std::span<const std::string_view> path(const Entry& entry) const {
    return std::span<const std::string_view>(keys).subspan(entry.path_start, entry.path_size);
  }
};

using JsonTableOutcome = std::variant<JsonResultTable, sorvane::json::parse_error::ParseError>;

// The key paths of one body's results hold at most this many keys together: one per two
// bytes of the body. Paths are what makes a body's results grow faster than the body (N nested
// operator keys give N paths of up to N keys), and the budget keeps their cost linear.
std::size_t path_key_budget(std::string_view body);

// Evaluates every key (as JsonKey) and string value (as JsonValue) of `body` against `rules`.
// When `rules` holds the MongoDB rule, each operator key is answered first as a QueryClause.
// Paths are whole until the first result whose path would take them past
// `path_key_budget(body)`; from that result on, every path keeps only its last key, and a
// warning tells how many paths were cut. While debug lines are off, a key or value that
// recurs as the same input type is evaluated once and its repeats get the same findings
// (every line an evaluation writes is a debug or trace line). The results borrow `body`: they
// are valid only while it is.
JsonOutcome check_json(std::string_view body, std::span<const rules::RuleType> rules,
                       bool prefer_worth_watching);

// The same results as one table.
JsonTableOutcome check_json_table(std::string_view body, std::span<const rules::RuleType> rules,
                                  bool prefer_worth_watching);

// Tests only: `check_json` with every text evaluated, repeats too, to compare the answers of
// repeats with.
JsonOutcome check_json_evaluating_every_text(std::string_view body,
                                             std::span<const rules::RuleType> rules,
                                             bool prefer_worth_watching);

// The texts of the first `count` key tokens: the body between each token's quotation marks.
std::vector<std::string_view> build_str_path(std::string_view body,
                                             std::span<const sorvane::json::lexemes::Token> keys,
                                             std::size_t count);

}  // namespace sorvane::evaluation::input_analysis::json
