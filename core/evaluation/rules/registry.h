// The process-wide rule registry: the ten rule objects by index and the configuration
// each rule prepares once.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "core/evaluation/rules/rule.h"
#include "core/evaluation/rules/rule_config.h"
#include "core/evaluation/rules/rule_type.h"

namespace sorvane::evaluation::rules {

struct AgentConfig {
  std::array<std::optional<RuleConfig>, kRuleCount> rule_configs;
};

// The rule object of a registry index 0..9; nullptr for any other index.
const Rule* rule_by_index(std::uint8_t index);

// The rule object named by a single rule bit; nullptr for any other value.
const Rule* rule_by_type(RuleType type);

// Calls every rule's init in index order.
AgentConfig init_config();

// The process-wide registry: built exactly once on first use, read-only afterwards.
const AgentConfig& CONFIG();

// The configuration of rule `index` in the process-wide registry (built on first use).
// An index above 9 or an entry without configuration is a fatal internal error.
const RuleConfig& get_rule_config(std::uint8_t index);

}  // namespace sorvane::evaluation::rules
