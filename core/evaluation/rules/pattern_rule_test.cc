#include "core/evaluation/rules/pattern_rule.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <random>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/evaluation/rules/cmd_injection/cmd_injection.h"
#include "core/evaluation/rules/mongo/mongo.h"
#include "core/evaluation/rules/path_traversal/path_traversal.h"
#include "core/evaluation/rules/rule_testing.h"
#include "core/evaluation/rules/sql_injection/sql_injection.h"
#include "core/evaluation/rules/ssjs_injection/ssjs_injection.h"
#include "core/evaluation/rules/unsafe_file_upload/unsafe_file_upload.h"
#include "core/fatal_error.h"
#include "core/text/required_literals.h"

namespace sorvane::evaluation::rules {
namespace {

struct Row {
  std::string_view id;
  std::uint8_t level;
  std::size_t regex_chars;
  std::size_t min_len;
};

struct TableCase {
  const Rule& rule;
  std::span<const match_engine::ProtoPattern> table;
  std::size_t variant;
  std::size_t min_input_len;
  std::vector<Row> rows;
};

std::vector<TableCase> table_cases() {
  return {
      {unsafe_file_upload::instance(), unsafe_file_upload::UFU_PATTERNS, 8, 3,
       {{"UFU-1", 3, 1109, 3}, {"UFU-2", 3, 26, 7}}},
      {path_traversal::instance(), path_traversal::PATH_PATTERNS, 3, 3,
       {{"10A-1-0A", 2, 78, 5}, {"10A-1-0B", 2, 88, 5}, {"10A-1-1", 2, 359, 3}, {"3000-12", 2, 145, 3}}},
      {cmd_injection::instance(), cmd_injection::CMDI_PATTERNS, 1, 5,
       {{"PIPE-NC-SHELL-2", 2, 125, 6},
        {"PIPE-CAT-PWD", 2, 19, 8},
        {"CMD-SYSTEM-2", 2, 230, 5},
        {"CMD-SYSTEM-3", 2, 149, 7},
        {"CMD-SYSTEM-4", 2, 83, 7},
        {"CMD-SYSTEM-5", 2, 89, 6},
        {"PIPE-CHAINED-OPS", 2, 464, 5}}},
      {mongo::instance(), mongo::MONGO_PATTERNS, 6, 7,
       {{"TRUE-CLAUSE-1", 1, 2, 7}, {"MONGO-SLEEP", 1, 120, 7}}},
      {ssjs_injection::instance(), ssjs_injection::SSJS_PATTERNS, 7, 4,
       {{"SSJS-I-NODE-0", 2, 146, 12},
        {"SSJS-I-NODE-1", 1, 95, 12},
        {"SSJS-I-NODE-2", 1, 678, 11},
        {"SSJS-I-NODE-3", 2, 78, 12},
        {"SSJS-I-0", 2, 48, 4},
        {"SSJS-I-2", 2, 26, 5},
        {"SSJS-I-3", 2, 46, 13},
        {"SSJS-I-4", 2, 51, 10},
        {"SSJS-I-5", 2, 361, 9},
        {"SSJS-EXEC-SPAWN", 2, 94, 6},
        {"SSJS-BUILTIN-METHODS", 1, 677, 6},
        {"SSJS-MISC", 1, 22, 9},
        {"JSFCK-1", 3, 45, 1286}}},
      {sql_injection::instance(), sql_injection::SQLI_PATTERNS, 5, 3,
       {{"PIDS-SQLI-41C", 3, 43, 9},
        {"PIDS-SQLI-44A", 3, 25, 3},
        {"SQLI-UNION-SELECT", 3, 59, 15},
        {"PIDS-SQLI-475", 3, 36, 11},
        {"PIDS-SQLI-473", 3, 131, 9},
        {"PIDS-SQLI-48A", 3, 36, 8},
        {"PIDS-SQLI-48D", 3, 28, 9},
        {"SQLI-TABLE-KEYWORDS", 3, 54, 7},
        {"PIDS-SQLI-48H", 3, 99, 7},
        {"PIDS-SQLI-49B", 3, 37, 7},
        {"PIDS-SQLI-49F", 3, 28, 10},
        {"PIDS-SQLI-50", 3, 65, 5},
        {"PIDS-SQLI-51", 3, 135, 7},
        {"PIDS-SQLI-53", 3, 164, 3},
        {"PIDS-WAITFOR-DELAY-ATTACK", 3, 38, 15},
        {"PIDS-SQLI-55A", 3, 64, 16},
        {"PIDS-SQLI-2001", 3, 42, 19},
        {"SQLI-UPDATE-SET", 3, 37, 12},
        {"SQLI-DBO-SELECT", 3, 43, 12},
        {"PIDS-SQLI-4002", 3, 35, 13},
        {"PIDS-SQLI-4003", 3, 58, 15},
        {"SQLI-CONCAT-1", 3, 49, 6}}},
  };
}

// Every table holds exactly the expected rows, and init compiles it in order into the
// rule's own variant.
TEST(PatternRuleTables, RowsAndCompiledConfiguration) {
  for (const TableCase& c : table_cases()) {
    SCOPED_TRACE(c.rows.front().id);
    ASSERT_EQ(c.table.size(), c.rows.size());
    for (std::size_t i = 0; i < c.rows.size(); ++i) {
      EXPECT_EQ(c.table[i].id, c.rows[i].id) << "row " << i;
      EXPECT_EQ(c.table[i].level, c.rows[i].level) << c.rows[i].id;
      EXPECT_EQ(c.table[i].regex.size(), c.rows[i].regex_chars) << c.rows[i].id;
      EXPECT_EQ(c.table[i].min_len, c.rows[i].min_len) << c.rows[i].id;
    }
    std::optional<RuleConfig> config = c.rule.init();
    ASSERT_TRUE(config);
    ASSERT_EQ(config->variant_index(), c.variant);
    std::visit(
        [&](const auto& v) {
          if constexpr (std::is_base_of_v<PatternRuleConfig, std::decay_t<decltype(v)>>) {
            EXPECT_EQ(v.min_input_len, c.min_input_len);
            ASSERT_EQ(v.patterns.size(), c.rows.size());
            for (std::size_t i = 0; i < c.rows.size(); ++i) {
              EXPECT_EQ(v.patterns[i].id, c.rows[i].id);
              EXPECT_EQ(v.patterns[i].regex->pattern(), c.table[i].regex);
            }
          } else {
            ADD_FAILURE() << "not a pattern configuration";
          }
        },
        config->value);
  }
}

// Only the SQL and command rules offer the pre-screen; the others answer false to any text.
TEST(PatternRuleTables, WorthWatchingOnlyForSqlAndCommands) {
  for (const TableCase& c : table_cases()) {
    const bool offers = c.variant == 5 || c.variant == 1;
    EXPECT_EQ(c.rule.implements_worth_watching(), offers) << c.rows.front().id;
    if (!offers) {
      for (const char* text : {"; cat /etc/passwd", "' or 1=1--", "a--"}) {
        EXPECT_FALSE(testing::worth_watching(c.rule, text, 9)) << c.rows.front().id;
      }
    }
  }
}

// Handed another rule's configuration, every rule stops with "bad RuleConfig" once its
// guard has passed; a failing guard answers none first.
TEST(PatternRuleTables, ForeignConfigurationIsFatal) {
  const RuleConfig foreign{rule_config::MethodTampering{}};
  const InputTraits traits = compute_input_traits("' or 1=1--", 9);
  for (const TableCase& c : table_cases()) {
    SCOPED_TRACE(c.rows.front().id);
    try {
      (void)testing::matches_of(c.rule, foreign, "' or 1=1--", traits);
      ADD_FAILURE() << "no fatal error";
    } catch (const FatalError& e) {
      EXPECT_STREQ(e.what(), "bad RuleConfig");
    }
  }
  const InputTraits alnum = compute_input_traits("abc1", 9);
  EXPECT_FALSE(testing::matches_of(path_traversal::instance(), foreign, "abc1", alnum));
  EXPECT_FALSE(testing::matches_of(sql_injection::instance(), foreign, "abc1", alnum));
  // Without a guard the file-upload rule checks its configuration for every text.
  EXPECT_THROW(testing::matches_of(unsafe_file_upload::instance(), foreign, "abc1", alnum),
               FatalError);
}

TEST(PatternRuleTables, ScoreByLevel) {
  struct Case {
    std::vector<std::uint8_t> levels;
    double score;
  };
  for (const Case& c : std::vector<Case>{{{}, 0.0},
                                         {{0, 0}, 0.0},
                                         {{1}, 10.0},
                                         {{0, 1}, 10.0},
                                         {{2}, 90.0},
                                         {{1, 3}, 90.0}}) {
    EXPECT_EQ(pattern_rule::score_by_level(testing::levels(c.levels)), c.score);
  }
}

// Any bytes, valid UTF-8 or not, of any length, yield an answer from every rule.
TEST(PatternRuleTables, ArbitraryBytesNeverFail) {
  std::mt19937 gen(12345);
  const std::string alphabet = "'\"`@+.)(;|&$/\\*-#=<>_!{}[] \t\v\x1c\x1f" "1aZ\xC3\xA9\xD9\xA1";
  std::vector<std::string> texts = {"", "'", "\xF0", "'\xF0", "1\xE2\x82", "/*\xC3", "'/*", "''''"};
  for (int n = 0; n < 400; ++n) {
    std::string t;
    const int len = static_cast<int>(gen() % 200);
    for (int i = 0; i < len; ++i) {
      t.push_back(gen() % 4 == 0 ? static_cast<char>(gen() % 256)
                                 : alphabet[gen() % alphabet.size()]);
    }
    texts.push_back(std::move(t));
  }
  for (const TableCase& c : table_cases()) {
    for (const std::string& t : texts) {
      for (std::uint8_t context : {std::uint8_t{0}, std::uint8_t{9}, std::uint8_t{12}}) {
        EXPECT_NO_THROW({
          testing::matched_ids(c.rule, t, context);
          testing::worth_watching(c.rule, t, context);
        });
      }
    }
  }
}

// The set gate never changes an answer: for every table, texts mixing attack fragments,
// blanks and arbitrary bytes get the same matches with and without it.
TEST(PatternRuleTables, GateAgreesWithEveryRow) {
  const std::vector<std::string> fragments = {
      "' or 1=1--", " union select ", "select * from t", "; cat /etc/passwd", "../../",
      "powershell -e ", "sh -c >", "net user", "require('fs')", "process.env", "eval(",
      "Object.keys", "__dirname", ".exe", "php.rar", "sleep(1)", "||", "waitfor delay '0",
      "@x=(select", " having 1=1", "(!![]+[])", "\\Windows\\", "file:/", "/etc/shadow", " ",
      "\t", "\v", "\xC2\xA0", "x", "1", ";", "(", ")", "'", "\"", "`", "=", "\xD9\xA1", "\xFF"};
  std::mt19937 gen(99);
  for (const TableCase& c : table_cases()) {
    SCOPED_TRACE(c.rows.front().id);
    const std::vector<match_engine::Pattern> patterns = match_engine::compile_table_or_panic(c.table);
    const auto gate = match_engine::compile_gate(patterns);
    for (int n = 0; n < 1500; ++n) {
      std::string text;
      const std::size_t count = gen() % 8;
      for (std::size_t i = 0; i < count; ++i) text += fragments[gen() % fragments.size()];
      for (std::uint8_t context : {std::uint8_t{0}, std::uint8_t{4}, std::uint8_t{10}}) {
        const InputTraits traits = compute_input_traits(text, context);
        ASSERT_EQ(match_engine::get_matches(patterns, text, context, traits, gate),
                  match_engine::get_matches(patterns, text, context, traits))
            << text;
      }
    }
  }
}

// Pieces of one expression: the runs of characters between its operators (escapes
// undone, class escapes as a member) and the literals read from it, in order.
std::vector<std::string> row_pieces(std::string_view regex) {
  std::vector<std::string> pieces;
  std::string run;
  for (std::size_t i = 0; i < regex.size(); ++i) {
    const char c = regex[i];
    if (c == '\\' && i + 1 < regex.size()) {
      const char e = regex[++i];
      if (!std::isalnum(static_cast<unsigned char>(e))) {
        run += e;
        continue;
      }
      run += e == 's' ? ' ' : e == 'd' ? '7' : e == 'w' ? 'w' : ' ';
    } else if (std::string_view("()[]{}|*+?^$.").find(c) == std::string_view::npos) {
      run += c;
      continue;
    }
    if (!run.empty()) pieces.push_back(std::move(run));
    run.clear();
  }
  if (!run.empty()) pieces.push_back(std::move(run));
  if (auto literals = text::required_literals(regex)) {
    pieces.insert(pieces.end(), literals->begin(), literals->end());
  }
  return pieces;
}

// A piece as it is, in upper case, or with k and s as KELVIN SIGN and LONG S, which (?i)
// folds to them.
std::string variant(const std::string& piece, unsigned pick) {
  std::string out;
  for (char c : piece) {
    if (pick % 3 == 1) {
      out += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    } else if (pick % 3 == 2) {
      out += c == 'k' ? "\xE2\x84\xAA" : c == 's' ? "\xC5\xBF" : std::string(1, c);
    } else {
      out += c;
    }
  }
  return out;
}

// The literal search never drops a match: on random texts built from every table's own
// pieces, each row that matches contains one of its required literals, and the table's
// answer with the search is the answer without it.
TEST(PatternRuleTables, RequiredLiteralsHoldInEveryMatch) {
  const std::vector<std::string> glue = {"", " ", "  ", "\t", "/", "\\", ":", "(", ")", "'",
                                         "\"", ";", "=", "1", "x", "%", "\xC2\xA0", "\xFF"};
  std::mt19937 gen(2718);
  for (const TableCase& c : table_cases()) {
    SCOPED_TRACE(c.rows.front().id);
    std::vector<std::vector<std::string>> pieces;
    std::vector<std::string> fragments;
    for (const auto& row : c.table) {
      pieces.push_back(row_pieces(row.regex));
      fragments.insert(fragments.end(), pieces.back().begin(), pieces.back().end());
    }
    const std::vector<match_engine::Pattern> patterns =
        match_engine::compile_table_or_panic(c.table);
    const auto gate = match_engine::compile_gate(patterns);
    std::vector<std::optional<std::vector<std::string>>> literals;
    for (const auto& row : c.table) literals.push_back(text::required_literals(row.regex));
    std::size_t literal_rows = 0, matched_literal_rows = 0;
    std::vector<bool> matched(c.table.size(), false);
    for (int n = 0; n < 4000; ++n) {
      // Half the texts follow one row's pieces in order, the others mix the table's.
      std::string text;
      const auto& own = pieces[gen() % pieces.size()];
      const std::size_t count = 1 + gen() % 6;
      for (std::size_t i = 0; i < (n % 2 ? own.size() : count); ++i) {
        text += glue[gen() % (n % 4 == 1 ? 2 : glue.size())];
        text += variant(n % 2 ? own[i] : fragments[gen() % fragments.size()], gen() % 4);
      }
      std::string lower = text;
      for (char& ch : lower) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
      for (std::size_t r = 0; r < patterns.size(); ++r) {
        if (!literals[r] || !patterns[r].regex->is_match(text)) continue;
        matched[r] = true;
        const bool holds = std::any_of(literals[r]->begin(), literals[r]->end(),
                                       [&](const std::string& l) {
                                         return lower.find(l) != std::string::npos;
                                       });
        ASSERT_TRUE(holds) << patterns[r].id << " matches " << text;
      }
      for (std::uint8_t context : {std::uint8_t{0}, std::uint8_t{4}, std::uint8_t{10}}) {
        const InputTraits traits = compute_input_traits(text, context);
        ASSERT_EQ(match_engine::get_matches(patterns, text, context, traits, gate, true),
                  match_engine::get_matches(patterns, text, context, traits, gate, false))
            << text;
      }
    }
    for (std::size_t r = 0; r < patterns.size(); ++r) {
      literal_rows += literals[r].has_value();
      matched_literal_rows += literals[r].has_value() && matched[r];
    }
    // The texts reach rows that have literals (most of them), so the check is not vacuous.
    EXPECT_GT(3 * matched_literal_rows, literal_rows);
  }
}

// Each row's character pre-filters and excluded contexts as the tables held them when
// they were written as numbered side arrays: code points in order, contexts as values.
TEST(PatternTables, PreFiltersAsRecorded) {
  using Contexts = std::vector<int>;
  struct RecordedRow {
    std::string_view id;
    std::optional<std::u32string_view> all;
    std::optional<std::u32string_view> any;
    std::optional<Contexts> contexts;
  };
  struct RecordedTable {
    std::span<const match_engine::ProtoPattern> table;
    std::vector<RecordedRow> rows;
  };
  const RecordedTable tables[] = {
      {unsafe_file_upload::UFU_PATTERNS,
       {{"UFU-1", std::nullopt, std::nullopt, std::nullopt},
        {"UFU-2", std::nullopt, std::nullopt, std::nullopt}}},
      {path_traversal::PATH_PATTERNS,
       {{"10A-1-0A", U":", std::nullopt, Contexts{10, 0}},
        {"10A-1-0B", U"/", std::nullopt, Contexts{10, 0}},
        {"10A-1-1", std::nullopt, U"/\\.", Contexts{10, 0}},
        {"3000-12", std::nullopt, U"/\\", std::nullopt}}},
      {sql_injection::SQLI_PATTERNS,
       {{"PIDS-SQLI-41C", std::nullopt, U"=<>~", std::nullopt},
        {"PIDS-SQLI-44A", U"=-", std::nullopt, std::nullopt},
        {"SQLI-UNION-SELECT", std::nullopt, std::nullopt, std::nullopt},
        {"PIDS-SQLI-475", U"(", std::nullopt, std::nullopt},
        {"PIDS-SQLI-473", std::nullopt, U"(;*)", std::nullopt},
        {"PIDS-SQLI-48A", U"@=", std::nullopt, std::nullopt},
        {"PIDS-SQLI-48D", std::nullopt, std::nullopt, std::nullopt},
        {"SQLI-TABLE-KEYWORDS", U";", U"-/", std::nullopt},
        {"PIDS-SQLI-48H", std::nullopt, U"<=>", std::nullopt},
        {"PIDS-SQLI-49B", U"(", std::nullopt, std::nullopt},
        {"PIDS-SQLI-49F", U"(@", std::nullopt, std::nullopt},
        {"PIDS-SQLI-50", std::nullopt, U"(", std::nullopt},
        {"PIDS-SQLI-51", std::nullopt, std::nullopt, std::nullopt},
        {"PIDS-SQLI-53", std::nullopt, std::nullopt, std::nullopt},
        {"PIDS-WAITFOR-DELAY-ATTACK", std::nullopt, U"\"'`", std::nullopt},
        {"PIDS-SQLI-55A", U"_", std::nullopt, std::nullopt},
        {"PIDS-SQLI-2001", U";(", std::nullopt, std::nullopt},
        {"SQLI-UPDATE-SET", U";=", std::nullopt, std::nullopt},
        {"SQLI-DBO-SELECT", std::nullopt, U"\"'`", std::nullopt},
        {"PIDS-SQLI-4002", U"*", std::nullopt, std::nullopt},
        {"PIDS-SQLI-4003", std::nullopt, U"\"'`", std::nullopt},
        {"SQLI-CONCAT-1", std::nullopt, U"\"'`|", std::nullopt}}},
      {cmd_injection::CMDI_PATTERNS,
       {{"PIPE-NC-SHELL-2", std::nullopt, U"/-", std::nullopt},
        {"PIPE-CAT-PWD", U"/", std::nullopt, std::nullopt},
        {"CMD-SYSTEM-2", std::nullopt, std::nullopt, std::nullopt},
        {"CMD-SYSTEM-3", std::nullopt, std::nullopt, std::nullopt},
        {"CMD-SYSTEM-4", std::nullopt, std::nullopt, std::nullopt},
        {"CMD-SYSTEM-5", std::nullopt, std::nullopt, std::nullopt},
        {"PIPE-CHAINED-OPS", std::nullopt, U";|&$`", std::nullopt}}},
      {mongo::MONGO_PATTERNS,
       {{"TRUE-CLAUSE-1", U"|", U"'\"`", std::nullopt},
        {"MONGO-SLEEP", U"()", std::nullopt, std::nullopt}}},
      {ssjs_injection::SSJS_PATTERNS,
       {{"SSJS-I-NODE-0", U"(", std::nullopt, std::nullopt},
        {"SSJS-I-NODE-1", std::nullopt, U".'`\"", std::nullopt},
        {"SSJS-I-NODE-2", std::nullopt, U".[", std::nullopt},
        {"SSJS-I-NODE-3", U"()", U".[", std::nullopt},
        {"SSJS-I-0", U")(", std::nullopt, std::nullopt},
        {"SSJS-I-2", U")(", std::nullopt, std::nullopt},
        {"SSJS-I-3", U"=", U".[", std::nullopt},
        {"SSJS-I-4", U"=", U".'`\"", std::nullopt},
        {"SSJS-I-5", U"O.", std::nullopt, std::nullopt},
        {"SSJS-EXEC-SPAWN", U"(", U".'`\"", std::nullopt},
        {"SSJS-BUILTIN-METHODS", U"()", U".[", std::nullopt},
        {"SSJS-MISC", std::nullopt, U"_", std::nullopt},
        {"JSFCK-1", U"()![]+", std::nullopt, std::nullopt}}}
  };
  auto chars = [](const match_engine::CharList& list) -> std::optional<std::u32string> {
    if (!list) return std::nullopt;
    return std::u32string(list->begin(), list->end());
  };
  for (const RecordedTable& t : tables) {
    ASSERT_EQ(t.table.size(), t.rows.size());
    for (std::size_t i = 0; i < t.rows.size(); ++i) {
      const match_engine::ProtoPattern& row = t.table[i];
      const RecordedRow& want = t.rows[i];
      EXPECT_EQ(row.id, want.id);
      EXPECT_EQ(chars(row.required_all), want.all ? std::optional<std::u32string>(*want.all)
                                                  : std::nullopt) << want.id;
      EXPECT_EQ(chars(row.required_any), want.any ? std::optional<std::u32string>(*want.any)
                                                  : std::nullopt) << want.id;
      std::optional<Contexts> contexts;
      if (row.excluded_contexts) {
        contexts.emplace(row.excluded_contexts->begin(), row.excluded_contexts->end());
      }
      EXPECT_EQ(contexts, want.contexts) << want.id;
    }
  }
}

}  // namespace
}  // namespace sorvane::evaluation::rules
