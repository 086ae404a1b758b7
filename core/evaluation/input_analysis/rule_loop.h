// The rule loop shared by the input and header evaluations: each listed rule that applies
// to the input type answers by its worth-watching pre-screen or by its matches and score.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "core/evaluation/input_type.h"
#include "core/evaluation/match_engine/matches.h"
#include "core/evaluation/rules/rule.h"
#include "core/evaluation/rules/rule_config.h"
#include "core/evaluation/rules/rule_type.h"
#include "core/text/regex.h"

namespace sorvane::evaluation::input_analysis::rule_loop {

inline constexpr std::string_view kInputTarget = "sorvane::evaluation::input_analysis::input";
inline constexpr std::string_view kHeaderTarget = "sorvane::evaluation::input_analysis::header";

// Set when the loop evaluates a header value: the header's name, used in log lines and for
// the bot short-cut of a User-Agent header.
struct Header {
  std::string_view name;
  bool is_user_agent = false;
};

// The whole-text rows of several rules in one set, and the registry index of each row's rule.
struct WholeTextSet {
  std::shared_ptr<const text::RegexSet> set;
  std::vector<std::uint8_t> rule_of_row;
  // Per registry index, the set's row of the rule's first whole-text row.
  std::array<std::size_t, rules::kRuleCount> first_row{};
  // With at most 64 rows: the rows in set order and their gate (pre-filters and required
  // literals; its set is `set`), and per registry index the rule's rows (bit i: row i). On
  // a short text the loop keeps the rows that pass their pre-filters and literals; when
  // two rows or fewer are left, their own expressions answer in place of the set.
  std::vector<match_engine::Pattern> rows;
  match_engine::Gate gate;
  match_engine::ShortTextFilters short_filters;
  std::array<std::uint64_t, rules::kRuleCount> rows_of_rule{};
  // Per set of registry indices (bit i: index i), the rows of those rules.
  std::vector<std::uint64_t> rows_of_rules;
};

// A rule with what the loop asks it before it evaluates: its configuration, the input
// types it applies to and whether it offers the pre-screen. Rules are immutable and their
// configurations never change, so the answers are asked once, when the table is made.
struct Entry {
  const rules::Rule* rule = nullptr;  // none: the slot's rule bit is skipped
  const rules::RuleConfig* config = nullptr;
  std::uint16_t input_types = 0;  // bit t: applies to InputType t
  bool worth_watching = false;
  rules::FirstTraitTest first_test = nullptr;  // run before get_matches, if any
  rules::MatchLengths lengths;  // tested before get_matches
  // One set of the whole-text rows of every rule that has them (none of whose rows
  // matches the empty text), shared by those rules' entries: a rule none of whose rows
  // matches anywhere in a text has no matches there. None when the set does not compile.
  std::shared_ptr<const WholeTextSet> whole_text_set;
  // The texts on which the set speaks for this rule; none: every text.
  rules::WholeTextTest whole_text_test = nullptr;
  // With the set: what a text needs to pass the pre-filters of one of the rule's rows. A
  // text without it gets no match from the rule; the loop tests short texts, before the
  // set's pass.
  std::shared_ptr<const match_engine::PrefilterNeeds> row_needs;
  // With the set, for a rule that answers by rows (Rule::answers_by_rows) and whose rows
  // the set speaks for on every text: once the set has told which rows match, the rule
  // answers from them (Rule::matches_of_rows) without a search of its own.
  bool answers_by_rows = false;
};

// The rules the loop runs, by registry index, and per input type the registry indices of
// the rules that apply to it (bit i: entry i), taken from the entries when the table is made.
struct RuleTable : std::array<Entry, rules::kRuleCount> {
  // Every value a text's classes can take is below this.
  static constexpr std::size_t kClassValues = 512;

  std::array<std::uint16_t, 16> rules_of_type{};
  // Per value of a text's classes, the rules whose first trait test can pass for a text of
  // those classes (bit i: entry i; a rule without the test counts): the test's answer for
  // the classes together with every ASCII character they allow. The others are skipped
  // without a look at their entries, and a text left with none skips the loop.
  std::array<std::uint16_t, kClassValues> rules_for_classes{};
  // The rules that offer the worth-watching pre-screen.
  std::uint16_t worth_watching_rules = 0;
};

// The table of `rules` (by index; nullptr leaves a slot empty), each with the configuration
// of the same index in `configs`.
RuleTable make_rule_table(const std::array<const rules::Rule*, rules::kRuleCount>& rules,
                          const std::array<const rules::RuleConfig*, rules::kRuleCount>& configs);

// The table of the process-wide registry, made on first use.
const RuleTable& registry_table();

// The lists an evaluation fills: the findings, and the list each rule writes its matches to
// in turn. A caller of many texts keeps one for all of them (and may keep the findings of
// every text in it), so that once both have grown a text with findings allocates nothing.
struct Lists {
  std::vector<rules::Finding> findings;
  std::vector<rules::PatternMatch> matches;
};

// What tells from a text's length and traits alone which rules of one rule list can have a
// finding for the text in `run`, for one input type and without a header: a listed rule
// that applies and rejects the text by its match lengths or its first trait test has none
// and logs only a trace line. A rule that answers by its pre-screen or has neither test
// keeps every text. Made once for the many texts of one type in a body, with what the loop
// reads of each listed rule, so that the rules it keeps run without those look-ups.
class Screen {
 public:
  // The longest rule list (counting only the values that apply) that is screened.
  static constexpr std::size_t kMaxKept = 16;
  // The kept rules, by their place among the listed values that apply, and their registry
  // indices (bit i: index i).
  struct Kept {
    std::array<std::uint8_t, kMaxKept> places;
    std::uint16_t rules = 0;
  };

  Screen(InputType input_type, std::span<const rules::RuleType> rule_list,
         bool prefer_worth_watching, const RuleTable& table = registry_table());

  // Writes to `kept`, in list order, the listed rules that may have a finding for a text of
  // this length and these traits and answers how many: `run_kept` over them gives the
  // findings of `run` over the whole list and the same log lines above the trace level.
  // None when the list is too long to be screened.
  std::optional<std::size_t> keep(std::size_t length, const rules::InputTraits& traits,
                                  Kept& kept) const;

  // While trace lines are off: the findings of the first `count` rules of `kept` (as `keep`
  // wrote them for this text) appended to `lists.findings`, as `run_into` appends them.
  void run_kept(Lists& lists, std::string_view text, const rules::InputTraits& traits,
                const Kept& kept, std::size_t count) const;

 private:
  struct Step {
    rules::RuleType value = 0;
    std::uint8_t index = 0;      // its registry index
    std::uint16_t rule_bit = 0;  // its registry index's bit in `RuleTable::rules_for_classes`
    bool always = false;         // kept whatever the text
    bool worth_watching = false;  // answers by its pre-screen
    rules::MatchLengths lengths;
    rules::FirstTraitTest first_test = nullptr;
    Entry entry;  // a copy: the kept rules' steps are all the loop then reads of the table
  };
  // The table's rules per value of a text's classes: a step whose rule the classes rule out
  // fails its first trait test, which is then not called.
  const std::array<std::uint16_t, RuleTable::kClassValues>* rules_for_classes_ = nullptr;
  InputType input_type_;
  bool screened_ = true;
  std::array<Step, kMaxKept> steps_{};  // one per listed value that applies, in list order
  std::size_t count_ = 0;
};

// One Finding per rule that produced something, in list order. Values that are not a
// single rule bit are skipped; a value listed twice is evaluated twice. With `header`, a
// listed bot blocker on a User-Agent header ends the loop with the bot search's answer.
std::vector<rules::Finding> run(std::string_view text, InputType input_type,
                                const rules::InputTraits& traits,
                                std::span<const rules::RuleType> rule_list,
                                bool prefer_worth_watching, const Header* header,
                                const RuleTable& table = registry_table());

// The same findings appended to `lists.findings`.
void run_into(Lists& lists, std::string_view text, InputType input_type,
              const rules::InputTraits& traits, std::span<const rules::RuleType> rule_list,
              bool prefer_worth_watching, const Header* header,
              const RuleTable& table = registry_table());

}  // namespace sorvane::evaluation::input_analysis::rule_loop
