#include "core/evaluation/input_analysis/rule_loop.h"

#include <algorithm>
#include <array>
#include <bit>
#include <optional>

#include <fmt/format.h>
#include <fmt/ranges.h>

#include "core/evaluation/rules/bot_blocker/bot_blocker.h"
#include "core/evaluation/rules/registry.h"
#include "core/log/log.h"
#include "core/text/char_classes.h"
#include "core/text/utf8.h"

namespace sorvane::evaluation::input_analysis::rule_loop {
namespace {

using rules::Finding;
using rules::PatternMatch;
using rules::RuleType;
using text::truncate_chars;

constexpr std::size_t kQuoted = 128;
// Every registry index's bit.
constexpr std::uint16_t kAllRules = (1u << rules::kRuleCount) - 1;
constexpr double kBotScore = 90.0;
constexpr double kWorthWatchingScore = 10.0;

std::string_view q(std::string_view s) { return truncate_chars(s, kQuoted); }

using match_engine::at_most_one;

// The bot blocker's search on a User-Agent value: one finding for the first bot, if any.
// This and the log helpers stay out of line, which keeps the loop's own code small.
[[gnu::noinline]] std::optional<Finding> bot_short_cut(const rules::RuleConfig& config,
                                                      std::string_view value, const Header& header) {
  std::string_view rule = rules::rule_name(rules::kBotBlocker);
  auto bots = rules::bot_blocker::check_for_bot(config, value);
  if (!bots) {
    SORVANE_TRACE(kHeaderTarget,
                  "{} - Evaluated 'HeaderValue' for bad bot. score: 0. name: '{}'. value: {}", rule,
                  q(header.name), q(value));
    return std::nullopt;
  }
  SORVANE_DEBUG(kHeaderTarget,
                "{} - Evaluated 'HeaderValue' for bad bot. score: 90. name: '{}'. value: {}", rule,
                q(header.name), q(value));
  return Finding{{bots->front().id}, kBotScore, rules::kBotBlocker, InputType::HeaderValue};
}

[[gnu::noinline]] void log_worth_watching(std::string_view rule, bool hit, std::string_view text,
                        InputType input_type, const Header* header) {
  if (header) {
    if (hit) {
      SORVANE_DEBUG(
          kHeaderTarget,
          "{} - Evaluated 'HeaderValue' using fast path. score: 10. name: '{}'. value: {}", rule,
          q(header->name), q(text));
    } else {
      SORVANE_DEBUG(kHeaderTarget,
                    "{} - Evaluated 'HeaderValue' using fast path. score: 0. name: '{}'. value: {}",
                    rule, q(header->name), q(text));
    }
  } else if (hit) {
    SORVANE_DEBUG(kInputTarget,
                  "{} - evaluated '{}'. score: 10. prefer_worth_watching: {}. input: {}", rule,
                  input_type_name(input_type), true, q(text));
  }
}

[[gnu::noinline]] void log_no_matches(std::string_view rule, std::string_view text, InputType input_type,
                    const Header* header) {
  if (header) {
    SORVANE_TRACE(kHeaderTarget,
                  "{} - Evaluated 'HeaderValue'. score: 0. prefer_worth_watching: {}. name: '{}'. "
                  "value: {}",
                  rule, false, q(header->name), q(text));
  } else {
    SORVANE_TRACE(kInputTarget,
                  "{} - evaluated '{}'. score: 0. prefer_worth_watching: {}. input: {}", rule,
                  input_type_name(input_type), false, q(text));
  }
}

[[gnu::noinline]] void log_matches(std::string_view rule, const Finding& finding, std::string_view text,
                 const Header* header) {
  if (header) {
    SORVANE_DEBUG(kHeaderTarget,
                  "{} - Evaluated 'HeaderValue'. score: {}. prefer_worth_watching: {}. name: '{}'. "
                  "value: {}",
                  rule, finding.score, false, q(header->name), q(text));
  } else {
    SORVANE_DEBUG(kInputTarget, "input: {}, {}", q(text), fmt::join(finding.ids, ","));
    SORVANE_DEBUG(kInputTarget,
                  "{} - evaluated '{}'. score: {}. prefer_worth_watching: {}. input: {}", rule,
                  input_type_name(finding.input_type), finding.score, false, q(text));
  }
}

// The set of the whole-text rows of the table's rules. A rule with a row that matches the
// empty text (and so every text) stays out: the set could never rule it out.
void add_whole_text_set(RuleTable& table) {
  std::vector<std::string_view> sources;
  std::vector<match_engine::Pattern> patterns;
  std::vector<std::uint8_t> rule_of_row;
  std::array<std::size_t, rules::kRuleCount> first_row{};
  std::vector<Entry*> gated;
  for (std::size_t index = 0; index < table.size(); ++index) {
    Entry& entry = table[index];
    if (!entry.rule || !entry.config) continue;
    const auto rows = entry.rule->whole_text_rows(*entry.config);
    if (rows.empty() || std::any_of(rows.begin(), rows.end(), [](const auto& row) {
          return row.regex->is_match("");
        })) {
      continue;
    }
    first_row[index] = sources.size();
    for (const auto& row : rows) {
      sources.push_back(row.regex->pattern());
      patterns.push_back(row);
      rule_of_row.push_back(static_cast<std::uint8_t>(index));
    }
    gated.push_back(&entry);
  }
  if (gated.size() < 2) return;
  auto shared = std::make_shared<WholeTextSet>();
  if (patterns.size() <= match_engine::kMaxGateRows) {
    shared->gate = match_engine::compile_gate(patterns);
    shared->set = shared->gate.set;
  }
  if (shared->set) {
    shared->short_filters = match_engine::short_text_filters(patterns);
    shared->rows = std::move(patterns);
    for (std::size_t row = 0; row < rule_of_row.size(); ++row) {
      shared->rows_of_rule[rule_of_row[row]] |= std::uint64_t{1} << row;
    }
    shared->rows_of_rules.resize(std::size_t{kAllRules} + 1);
    for (std::size_t indices = 1; indices <= kAllRules; ++indices) {
      const auto lowest = static_cast<std::size_t>(std::countr_zero(indices));
      shared->rows_of_rules[indices] =
          shared->rows_of_rules[indices & (indices - 1)] | shared->rows_of_rule[lowest];
    }
  } else {
    auto set = text::RegexSet::try_compile(sources);
    if (!set) return;
    shared->set = std::move(*set);
    shared->gate = {};
  }
  shared->rule_of_row = std::move(rule_of_row);
  shared->first_row = first_row;
  for (Entry* entry : gated) {
    entry->whole_text_set = shared;
    entry->whole_text_test = entry->rule->whole_text_test();
    entry->answers_by_rows =
        entry->rule->answers_by_rows() && !entry->whole_text_test &&
        entry->rule->whole_text_rows(*entry->config).size() <= match_engine::kMaxGateRows;
    entry->row_needs = std::make_shared<const match_engine::PrefilterNeeds>(
        match_engine::prefilter_needs(entry->rule->whole_text_rows(*entry->config)));
  }
}

// What the whole-text set tells of one text.
struct SetAnswer {
  // The rules (bit i: registry index i) with a row that matches somewhere in the text;
  // every rule when the engine cannot tell.
  std::uint16_t rules = 0xFFFF;
  // Whether `rows` holds, per registry index, the rule's first 64 whole-text rows that
  // match somewhere in the text (bit i: its row i); left unset otherwise.
  bool rows_known = false;
  std::array<std::uint64_t, rules::kRuleCount> rows;
};

void start_known_rows(SetAnswer& answer) {
  answer.rules = 0;
  answer.rows_known = true;
  answer.rows.fill(0);
}

void add_matching_row(const WholeTextSet& whole, std::size_t row, SetAnswer& answer) {
  const std::uint8_t index = whole.rule_of_row[row];
  answer.rules |= static_cast<std::uint16_t>(1u << index);
  const std::size_t own = row - whole.first_row[index];
  if (own < match_engine::kMaxGateRows) answer.rows[index] |= std::uint64_t{1} << own;
}

// On a short text the rows' pre-filters and required literals are tested before the set's
// pass.
using match_engine::kShortText;
static_assert(kShortText < match_engine::ShortTextFilters::kLengths);

// The answer from the own expressions of `rows`, the only rows that matter.
void ask_rows(const WholeTextSet& whole, std::string_view text, std::uint64_t rows,
              SetAnswer& answer) {
  start_known_rows(answer);
  for (; rows != 0; rows &= rows - 1) {
    const auto row = static_cast<std::size_t>(std::countr_zero(rows));
    if (whole.rows[row].regex->is_match(text)) add_matching_row(whole, row, answer);
  }
}

// The set's answer for `text`, for the rules of `wanted` (bit i: registry index i); a rule
// outside it must not read the answer. Written in place: the loop keeps it on its stack.
// A row that fails its pre-filters is reported by no rule behind the set (a rule's matches
// are its rows that pass them, or rows of pieces of the text with the text's characters and
// context and at most its length), and one without any of its required literals matches
// nowhere. On a short text the rows of the wanted rules that pass both are the candidates;
// a few of them are asked on their own in place of the set's passes (one that tells
// whether any row matches, most texts: none, and one that tells which). A short text
// without any character that a row's pre-filter names, though, nearly always leaves
// several candidates and matches nothing: the set's first pass answers it before the
// candidates are looked for.
void ask_whole_text_set(const WholeTextSet& whole, std::string_view text,
                        const rules::InputTraits& traits, std::uint16_t wanted,
                        SetAnswer& answer) {
  const bool short_text = text.size() <= kShortText && !whole.rows.empty();
  const bool named = short_text && traits.has_any(whole.short_filters.named_chars);
  std::uint64_t candidates = 0;
  auto find_candidates = [&] {
    candidates = whole.short_filters.passing(text.size(), traits.context, traits,
                                             whole.rows_of_rules[wanted & kAllRules]);
    if (!at_most_one(candidates)) {
      candidates = match_engine::admitted_by_literals(whole.gate, text, candidates);
    }
  };
  // Up to two candidates answer by their own expressions in place of the set's passes: the
  // pass that tells the matching rows costs about two passes of one expression, and on a
  // text with a named character the pass that tells whether any row matches finds one about
  // as often as not.
  const auto at_most_two = [](std::uint64_t rows) { return at_most_one(rows & (rows - 1)); };
  if (named) {
    find_candidates();
    if (at_most_two(candidates)) return ask_rows(whole, text, candidates, answer);
  }
  answer.rules = 0xFFFF;
  answer.rows_known = false;
  const std::optional<bool> any = whole.set->any_match(text);
  if (any == false) answer.rules = 0;
  if (any != true) return;
  if (short_text) {
    if (!named) find_candidates();
    if (at_most_two(candidates)) return ask_rows(whole, text, candidates, answer);
  }
  const auto rows = whole.set->matching(text);
  if (!rows) return;
  start_known_rows(answer);
  for (std::size_t row : *rows) add_matching_row(whole, row, answer);
}

// The pre-screen's answer of a rule that offers it, as a finding when it holds.
void add_worth_watching(Lists& lists, const Entry& entry, RuleType value, std::uint8_t index,
                        std::string_view text, InputType input_type,
                        const rules::InputTraits& traits, const Header* header) {
  const bool hit = entry.rule->is_worth_watching(*entry.config, text, traits);
  log_worth_watching(rules::RULE_NAMES[index], hit, text, input_type, header);
  if (hit) lists.findings.push_back(Finding{{}, kWorthWatchingScore, value, input_type});
}

// Whether the rule of `entry` (registry index `index`), one of `wanted`, has no match in
// `text` because no row of it behind the whole-text set matches anywhere there. Until the
// set has answered for the text (`asked`), a short one that passes none of this rule's rows'
// pre-filters is the same answer without the set's pass (a longer text nearly always passes
// one).
bool ruled_out_by_set(const Entry& entry, std::uint8_t index, std::string_view text,
                      const rules::InputTraits& traits, std::uint16_t wanted, SetAnswer& answer,
                      bool& asked) {
  if (!entry.whole_text_set || (entry.whole_text_test && !entry.whole_text_test(text))) {
    return false;
  }
  if (!asked && text.size() < match_engine::PrefilterNeeds::kLengths && entry.row_needs &&
      !entry.row_needs->may_pass(text, traits)) {
    return true;
  }
  if (!asked) {
    ask_whole_text_set(*entry.whole_text_set, text, traits, wanted, answer);
    asked = true;
  }
  return !((answer.rules >> index) & 1);
}

// The rule's matches, and its finding appended when it has some; false when it has none. A
// rule that answers by rows does so from the set's answer once the set has given it.
bool add_finding(Lists& lists, const Entry& entry, RuleType value, std::uint8_t index,
                 std::string_view text, InputType input_type, const rules::InputTraits& traits,
                 const SetAnswer& answer, bool asked, const Header* header) {
  std::vector<PatternMatch>& matches = lists.matches;
  matches.clear();
  if (entry.answers_by_rows && asked && answer.rows_known) {
    entry.rule->matches_of_rows(*entry.config, text, traits, answer.rows[index], matches);
  } else {
    entry.rule->get_matches(*entry.config, text, traits, matches);
  }
  if (matches.empty()) return false;
  // Made where it stays: a finding is never moved on its way out.
  Finding& finding = lists.findings.emplace_back();
  for (const PatternMatch& m : matches) finding.ids.push_back(m.id);
  finding.score = entry.rule->score(matches);
  finding.rule = value;
  finding.input_type = input_type;
  if (log::enabled(log::Level::Debug)) {
    log_matches(rules::RULE_NAMES[index], finding, text, header);
  }
  return true;
}

// The traits that hold every ASCII character a text with classes `flags` can hold, and those
// classes. The base64 class is left out of the choice of characters: a text's '=' padding
// may clear it.
rules::InputTraits widest_traits(text::char_classes::Flags flags) {
  namespace classes = text::char_classes;
  rules::InputTraits traits;
  traits.flags = flags;
  const auto allowed = static_cast<classes::Flags>(flags | classes::kNotBase64);
  for (unsigned c = 0; c < 128; ++c) {
    const classes::Flags of_c = classes::kAsciiCharRange.classes[c];
    if ((of_c & ~allowed) != 0) continue;
    (c < 64 ? traits.ascii_lo : traits.ascii_hi) |= std::uint64_t{1} << (c & 63);
  }
  return traits;
}

// The highest class bit, so every value of a text's classes has its place.
static_assert(text::char_classes::kNotBase64 * 2 == RuleTable::kClassValues);

void add_rules_for_classes(RuleTable& table) {
  for (std::size_t flags = 0; flags < RuleTable::kClassValues; ++flags) {
    const rules::InputTraits widest = widest_traits(static_cast<text::char_classes::Flags>(flags));
    std::uint16_t possible = 0;
    for (std::size_t index = 0; index < table.size(); ++index) {
      const Entry& entry = table[index];
      if (!entry.first_test || entry.first_test(widest)) {
        possible |= static_cast<std::uint16_t>(1u << index);
      }
    }
    table.rules_for_classes[flags] = possible;
  }
}

}  // namespace

RuleTable make_rule_table(const std::array<const rules::Rule*, rules::kRuleCount>& rules,
                          const std::array<const rules::RuleConfig*, rules::kRuleCount>& configs) {
  RuleTable table{};
  for (std::size_t index = 0; index < rules::kRuleCount; ++index) {
    Entry& entry = table[index];
    entry.rule = rules[index];
    if (!entry.rule) continue;
    for (unsigned t = 0; t < 16; ++t) {
      if (entry.rule->applies_to_input_type(static_cast<InputType>(t))) {
        entry.input_types |= 1u << t;
        table.rules_of_type[t] |= 1u << index;
      }
    }
    entry.config = configs[index];
    entry.worth_watching = entry.rule->implements_worth_watching();
    entry.first_test = entry.rule->first_trait_test();
    entry.lengths = entry.rule->match_lengths();
    if (entry.worth_watching) table.worth_watching_rules |= 1u << index;
  }
  add_rules_for_classes(table);
  add_whole_text_set(table);
  return table;
}

const RuleTable& registry_table() {
  static const RuleTable table = [] {
    std::array<const rules::Rule*, rules::kRuleCount> rules{};
    std::array<const rules::RuleConfig*, rules::kRuleCount> configs{};
    for (std::uint8_t index = 0; index < rules::kRuleCount; ++index) {
      rules[index] = rules::rule_by_index(index);
      configs[index] = &rules::get_rule_config(index);
    }
    return make_rule_table(rules, configs);
  }();
  return table;
}

Screen::Screen(InputType input_type, std::span<const RuleType> rule_list,
               bool prefer_worth_watching, const RuleTable& table)
    : rules_for_classes_(&table.rules_for_classes), input_type_(input_type) {
  const auto type_bit = static_cast<unsigned>(input_type);
  if (type_bit >= 16) return;
  for (RuleType value : rule_list) {
    const auto index = rules::rule_index(value);
    if (!index || !((table.rules_of_type[type_bit] >> *index) & 1)) continue;
    if (count_ == kMaxKept) {
      screened_ = false;
      return;
    }
    const Entry& entry = table[*index];
    const bool worth_watching = prefer_worth_watching && entry.worth_watching;
    const bool always =
        worth_watching || (!entry.first_test && entry.lengths == rules::MatchLengths{});
    steps_[count_++] = Step{value,           *index,        static_cast<std::uint16_t>(1u << *index),
                            always,          worth_watching, entry.lengths,
                            entry.first_test, entry};
  }
}

std::optional<std::size_t> Screen::keep(std::size_t length, const rules::InputTraits& traits,
                                        Kept& kept) const {
  if (!screened_) return std::nullopt;
  const std::uint16_t possible = traits.flags < RuleTable::kClassValues
                                     ? (*rules_for_classes_)[traits.flags]
                                     : std::uint16_t{0xFFFF};
  std::size_t count = 0;
  kept.rules = 0;
  for (std::size_t i = 0; i < count_; ++i) {
    const Step& step = steps_[i];
    if (step.always || ((step.rule_bit & possible) != 0 && step.lengths.contains(length) &&
                        (!step.first_test || step.first_test(traits)))) {
      kept.places[count++] = static_cast<std::uint8_t>(i);
      kept.rules |= step.rule_bit;
    }
  }
  return count;
}

// What `run_into` does with the kept rules: every one of them applies, is listed and is left
// possible by the text's classes (or answers by its pre-screen), so the rules that may ask
// the whole-text set are exactly the kept ones.
void Screen::run_kept(Lists& lists, std::string_view text, const rules::InputTraits& traits,
                      const Kept& kept, std::size_t count) const {
  SetAnswer answer;
  bool asked = false;
  for (std::size_t i = 0; i < count; ++i) {
    const Step& step = steps_[kept.places[i]];
    const Entry& entry = step.entry;
    if (step.worth_watching) {
      add_worth_watching(lists, entry, step.value, step.index, text, input_type_, traits,
                         nullptr);
    } else if (!ruled_out_by_set(entry, step.index, text, traits, kept.rules, answer, asked)) {
      add_finding(lists, entry, step.value, step.index, text, input_type_, traits, answer,
                  asked, nullptr);
    }
  }
}

std::vector<Finding> run(std::string_view text, InputType input_type,
                         const rules::InputTraits& traits, std::span<const RuleType> rule_list,
                         bool prefer_worth_watching, const Header* header,
                         const RuleTable& table) {
  Lists lists;
  run_into(lists, text, input_type, traits, rule_list, prefer_worth_watching, header, table);
  return std::move(lists.findings);
}

void run_into(Lists& lists, std::string_view text, InputType input_type,
              const rules::InputTraits& traits, std::span<const RuleType> rule_list,
              bool prefer_worth_watching, const Header* header, const RuleTable& table) {
  std::vector<Finding>& findings = lists.findings;
  const std::size_t first = findings.size();
  // The whole-text set's answer for this text, asked at most once.
  SetAnswer set_answer;
  bool set_asked = false;
  const auto type_bit = static_cast<unsigned>(input_type);
  // An input type outside the masks' sixteen bits applies to no rule.
  if (type_bit >= 16) return;
  const std::uint16_t applicable = table.rules_of_type[type_bit];
  if (applicable == 0) return;
  // Asked once: a skipped rule's only work beyond its tests is its trace line.
  const bool trace = log::enabled(log::Level::Trace);
  // The rules not ruled out by the text's classes; a pre-screen and the bot search of a
  // User-Agent value answer whatever the classes. Only listed rules run (a rule bit is its
  // registry index's bit), so only they may ask the whole-text set.
  std::uint16_t possible = traits.flags < RuleTable::kClassValues
                               ? table.rules_for_classes[traits.flags]
                               : std::uint16_t{0xFFFF};
  if (prefer_worth_watching) possible |= table.worth_watching_rules;
  if (header && header->is_user_agent) possible |= 1u << *rules::rule_index(rules::kBotBlocker);
  std::uint16_t listed = 0;
  for (RuleType value : rule_list) listed |= value;
  possible &= applicable & listed;
  if (possible == 0 && !trace) return;
  for (RuleType value : rule_list) {
    const auto index = rules::rule_index(value);
    if (!index || !((applicable >> *index) & 1)) continue;
    if (!((possible >> *index) & 1)) {
      if (trace) log_no_matches(rules::RULE_NAMES[*index], text, input_type, header);
      continue;
    }
    const Entry& entry = table[*index];
    if (header && header->is_user_agent && value == rules::kBotBlocker) {
      findings.erase(findings.begin() + static_cast<std::ptrdiff_t>(first), findings.end());
      if (auto bot = bot_short_cut(*entry.config, text, *header)) {
        findings.push_back(std::move(*bot));
      }
      return;
    }
    if (prefer_worth_watching && entry.worth_watching) {
      add_worth_watching(lists, entry, value, *index, text, input_type, traits, header);
      continue;
    }
    // A length outside the rule's match lengths or a failed first test is the rule's own
    // answer of no matches, without the call; so is a text where no row of a rule behind the
    // whole-text set matches anywhere.
    const bool skip =
        !entry.lengths.contains(text.size()) ||
        (entry.first_test && !entry.first_test(traits)) ||
        ruled_out_by_set(entry, *index, text, traits, possible, set_answer, set_asked);
    if ((skip || !add_finding(lists, entry, value, *index, text, input_type, traits, set_answer,
                              set_asked, header)) &&
        trace) {
      log_no_matches(rules::RULE_NAMES[*index], text, input_type, header);
    }
  }
}

}  // namespace sorvane::evaluation::input_analysis::rule_loop
