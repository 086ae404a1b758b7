#include "core/evaluation/input_analysis/rule_loop.h"

#include <algorithm>
#include <array>
#include <optional>

#include <fmt/format.h>
#include <fmt/ranges.h>

#include "core/evaluation/rules/bot_blocker/bot_blocker.h"
#include "core/evaluation/rules/registry.h"
#include "core/log/log.h"
#include "core/text/utf8.h"

namespace sorvane::evaluation::input_analysis::rule_loop {
namespace {

using rules::Finding;
using rules::PatternMatch;
using rules::RuleType;
using text::truncate_chars;

constexpr std::size_t kQuoted = 128;
constexpr double kBotScore = 90.0;
constexpr double kWorthWatchingScore = 10.0;

std::string_view q(std::string_view s) { return truncate_chars(s, kQuoted); }

std::vector<std::string_view> ids_of(const std::vector<PatternMatch>& matches) {
  std::vector<std::string_view> ids;
  ids.reserve(matches.size());
  for (const PatternMatch& m : matches) ids.push_back(m.id);
  return ids;
}

// The bot blocker's search on a User-Agent value: one finding for the first bot, if any.
std::vector<Finding> bot_short_cut(const rules::RuleConfig& config, std::string_view value,
                                   const Header& header) {
  std::string_view rule = rules::rule_name(rules::kBotBlocker);
  auto bots = rules::bot_blocker::check_for_bot(config, value);
  if (!bots) {
    SORVANE_TRACE(kHeaderTarget,
                  "{} - Evaluated 'HeaderValue' for bad bot. score: 0. name: '{}'. value: {}", rule,
                  q(header.name), q(value));
    return {};
  }
  SORVANE_DEBUG(kHeaderTarget,
                "{} - Evaluated 'HeaderValue' for bad bot. score: 90. name: '{}'. value: {}", rule,
                q(header.name), q(value));
  return {Finding{{bots->front().id}, kBotScore, rules::kBotBlocker, InputType::HeaderValue}};
}

void log_worth_watching(std::string_view rule, bool hit, std::string_view text,
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

void log_no_matches(std::string_view rule, std::string_view text, InputType input_type,
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

void log_matches(std::string_view rule, const Finding& finding, std::string_view text,
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
  std::vector<Entry*> gated;
  for (Entry& entry : table) {
    if (!entry.rule || !entry.config) continue;
    const auto rows = entry.rule->whole_text_rows(*entry.config);
    if (rows.empty() || std::any_of(rows.begin(), rows.end(), [](const auto& row) {
          return row.regex->is_match("");
        })) {
      continue;
    }
    for (const auto& row : rows) sources.push_back(row.regex->pattern());
    gated.push_back(&entry);
  }
  if (gated.size() < 2) return;
  auto set = text::RegexSet::try_compile(sources);
  if (!set) return;
  std::shared_ptr<const text::RegexSet> shared = std::move(*set);
  for (Entry* entry : gated) {
    entry->whole_text_set = shared;
    entry->row_needs = std::make_shared<const match_engine::PrefilterNeeds>(
        match_engine::prefilter_needs(entry->rule->whole_text_rows(*entry->config)));
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
  }
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

std::vector<Finding> run(std::string_view text, InputType input_type,
                         const rules::InputTraits& traits, std::span<const RuleType> rule_list,
                         bool prefer_worth_watching, const Header* header,
                         const RuleTable& table) {
  std::vector<Finding> findings;
  // The whole-text set's answer for this text, asked at most once.
  std::optional<bool> whole_text_may_match;
  const auto type_bit = static_cast<unsigned>(input_type);
  // An input type outside the masks' sixteen bits applies to no rule.
  if (type_bit >= 16) return findings;
  const std::uint16_t applicable = table.rules_of_type[type_bit];
  if (applicable == 0) return findings;
  for (RuleType value : rule_list) {
    const auto index = rules::rule_index(value);
    if (!index || !((applicable >> *index) & 1)) continue;
    const Entry& entry = table[*index];
    const rules::Rule* rule = entry.rule;
    const bool worth_watching = entry.worth_watching;
    const rules::RuleConfig& config = *entry.config;
    if (header && header->is_user_agent && value == rules::kBotBlocker) {
      return bot_short_cut(config, text, *header);
    }
    std::string_view name = rules::rule_name(value);
    if (prefer_worth_watching && worth_watching) {
      bool hit = rule->is_worth_watching(config, text, traits);
      log_worth_watching(name, hit, text, input_type, header);
      if (hit) findings.push_back(Finding{{}, kWorthWatchingScore, value, input_type});
      continue;
    }
    // A failed first test is the rule's own answer of no matches, without the call.
    bool skip = entry.first_test && !entry.first_test(traits);
    // So is a text where no row of the rules behind the whole-text set matches anywhere.
    // Until the set has answered for the text, a short one that passes none of this rule's
    // rows' pre-filters is the same answer without the set's pass (a longer text nearly
    // always passes one).
    if (!skip && entry.whole_text_set) {
      if (whole_text_may_match) {
        skip = !*whole_text_may_match;
      } else if (text.size() < match_engine::PrefilterNeeds::kLengths && entry.row_needs &&
                 !entry.row_needs->may_pass(text, traits)) {
        skip = true;
      } else {
        whole_text_may_match = entry.whole_text_set->any_match(text).value_or(true);
        skip = !*whole_text_may_match;
      }
    }
    auto matches = skip ? std::nullopt : rule->get_matches(config, text, traits);
    if (!matches) {
      log_no_matches(name, text, input_type, header);
      continue;
    }
    Finding finding{ids_of(*matches), rule->score(*matches), value, input_type};
    log_matches(name, finding, text, header);
    findings.push_back(std::move(finding));
  }
  return findings;
}

}  // namespace sorvane::evaluation::input_analysis::rule_loop
