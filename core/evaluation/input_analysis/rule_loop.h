// The rule loop shared by the input and header evaluations: each listed rule that applies
// to the input type answers by its worth-watching pre-screen or by its matches and score.
#pragma once

#include <span>
#include <string_view>
#include <vector>

#include "core/evaluation/rules/registry.h"
#include "core/evaluation/input_type.h"
#include "core/evaluation/rules/rule.h"

namespace sorvane::evaluation::input_analysis::rule_loop {

inline constexpr std::string_view kInputTarget = "sorvane::evaluation::input_analysis::input";
inline constexpr std::string_view kHeaderTarget = "sorvane::evaluation::input_analysis::header";

// Set when the loop evaluates a header value: the header's name, used in log lines and for
// the bot short-cut of a User-Agent header.
struct Header {
  std::string_view name;
  bool is_user_agent = false;
};

// Where the loop finds the rule object of a listed value and a rule's configuration: the
// registry, unless a test substitutes its own rules.
struct RuleSource {
  const rules::Rule* (*rule)(rules::RuleType) = rules::rule_by_type;
  const rules::RuleConfig& (*config)(std::uint8_t) = rules::get_rule_config;
};

// One Finding per rule that produced something, in list order. Values that are not a
// single rule bit are skipped; a value listed twice is evaluated twice. With `header`, a
// listed bot blocker on a User-Agent header ends the loop with the bot search's answer.
std::vector<rules::Finding> run(std::string_view text, InputType input_type,
                                const rules::InputTraits& traits,
                                std::span<const rules::RuleType> rule_list,
                                bool prefer_worth_watching, const Header* header,
                                const RuleSource& source = {});

}  // namespace sorvane::evaluation::input_analysis::rule_loop
