// The rule registry: one configuration per rule index, built once per process.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "core/evaluation/rules/rule_config.h"
#include "core/evaluation/rules/rule_type.h"

namespace sorvane::agent_config {

struct AgentConfig {
  std::array<std::optional<evaluation::rules::RuleConfig>, evaluation::rules::kRuleCount>
      rule_configs;
};

// The configuration of rule `index` in the process-wide registry (built on first use).
// An index above 9 or an entry without configuration is a fatal internal error.
const evaluation::rules::RuleConfig& get_rule_config(std::uint8_t index);

}  // namespace sorvane::agent_config
