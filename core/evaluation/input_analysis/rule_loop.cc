#include "core/evaluation/input_analysis/rule_loop.h"

#include <array>

#include <fmt/format.h>
#include <fmt/ranges.h>

#include "core/evaluation/rules/bot_blocker/bot_blocker.h"
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

// The registry's rules with what the loop asks each of them before it evaluates: its
// configuration, the input types it applies to and whether it offers the pre-screen.
// Rules are immutable and their configurations never change, so the answers are asked
// once per process.
struct Registered {
  const rules::Rule* rule = nullptr;
  const rules::RuleConfig* config = nullptr;
  std::uint16_t input_types = 0;  // bit t: applies to InputType t
  bool worth_watching = false;
};

const std::array<Registered, rules::kRuleCount>& registered() {
  static const std::array<Registered, rules::kRuleCount> table = [] {
    std::array<Registered, rules::kRuleCount> out{};
    for (std::uint8_t index = 0; index < rules::kRuleCount; ++index) {
      Registered& r = out[index];
      r.rule = rules::rule_by_type(static_cast<RuleType>(1u << index));
      if (!r.rule) continue;
      for (unsigned t = 0; t < 16; ++t) {
        if (r.rule->applies_to_input_type(static_cast<InputType>(t))) r.input_types |= 1u << t;
      }
      r.config = &rules::get_rule_config(r.rule->get_index());
      r.worth_watching = r.rule->implements_worth_watching();
    }
    return out;
  }();
  return table;
}

bool is_default(const RuleSource& source) {
  return source.rule == &rules::rule_by_type && source.config == &rules::get_rule_config;
}

}  // namespace

std::vector<Finding> run(std::string_view text, InputType input_type,
                         const rules::InputTraits& traits, std::span<const RuleType> rule_list,
                         bool prefer_worth_watching, const Header* header,
                         const RuleSource& source) {
  std::vector<Finding> findings;
  const auto* table = is_default(source) ? &registered() : nullptr;
  const auto type_bit = static_cast<unsigned>(input_type);
  for (RuleType value : rule_list) {
    const auto index = rules::rule_index(value);
    if (!index) continue;
    const rules::Rule* rule;
    const rules::RuleConfig* config_of_rule;
    bool worth_watching;
    if (table && type_bit < 16) {
      const Registered& r = (*table)[*index];
      if (!r.rule || !((r.input_types >> type_bit) & 1)) continue;
      rule = r.rule;
      config_of_rule = r.config;
      worth_watching = r.worth_watching;
    } else {
      rule = source.rule(value);
      if (!rule || !rule->applies_to_input_type(input_type)) continue;
      config_of_rule = &source.config(rule->get_index());
      worth_watching = rule->implements_worth_watching();
    }
    const rules::RuleConfig& config = *config_of_rule;
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
    auto matches = rule->get_matches(config, text, traits);
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
