// What each rule prepares once at start-up: one variant per rule, in declaration order.
#pragma once

#include <cstddef>
#include <memory>
#include <variant>
#include <vector>

#include "core/evaluation/match_engine/matches.h"
#include "core/evaluation/match_engine/pattern.h"
#include "core/fatal_error.h"

namespace sorvane::evaluation::rules {

namespace bot_blocker {
struct BotBlockerData;
}
namespace reflected_xss {
class XssMatcher;
}

struct PatternRuleConfig {
  std::vector<match_engine::Pattern> patterns;
  // The patterns' expressions in one set, which tells in one pass whether any can match.
  match_engine::Gate gate;
  std::size_t min_input_len = 0;
};

namespace rule_config {
struct BotBlocker {
  std::shared_ptr<const bot_blocker::BotBlockerData> data;
};
struct CmdInjection : PatternRuleConfig {};
struct MethodTampering {};
struct PathTraversal : PatternRuleConfig {};
struct ReflectedXss {
  std::shared_ptr<const reflected_xss::XssMatcher> matcher;
};
struct SqlInjection : PatternRuleConfig {};
struct NosqlInjectionMongo : PatternRuleConfig {};
struct SsjsInjection : PatternRuleConfig {};
struct UnsafeFileUpload : PatternRuleConfig {};
struct PrototypePollution {};
}  // namespace rule_config

// Variants 0..9 in this order.
struct RuleConfig {
  using Variant = std::variant<rule_config::BotBlocker, rule_config::CmdInjection,
                               rule_config::MethodTampering, rule_config::PathTraversal,
                               rule_config::ReflectedXss, rule_config::SqlInjection,
                               rule_config::NosqlInjectionMongo, rule_config::SsjsInjection,
                               rule_config::UnsafeFileUpload, rule_config::PrototypePollution>;
  Variant value;

  std::size_t variant_index() const { return value.index(); }

  // The rule's own variant; any other is the fatal error "bad RuleConfig".
  template <class T>
  const T& expect() const {
    if (const T* p = std::get_if<T>(&value)) return *p;
    panic("bad RuleConfig");
  }
};

}  // namespace sorvane::evaluation::rules
