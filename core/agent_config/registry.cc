#include "core/agent_config/registry.h"

#include "core/evaluation/rules/rule.h"
#include "core/fatal_error.h"

namespace sorvane::agent_config {
namespace agent_init {

AgentConfig init_config() {
  AgentConfig config;
  for (std::uint8_t index = 0; index < evaluation::rules::kRuleCount; ++index) {
    config.rule_configs[index] = evaluation::rules::rule_by_index(index)->init();
  }
  return config;
}

const AgentConfig& CONFIG() {
  // A function-local static is initialised once; racing threads wait for it.
  static const AgentConfig config = init_config();
  return config;
}

}  // namespace agent_init

const evaluation::rules::RuleConfig& get_rule_config(std::uint8_t index) {
  const AgentConfig& config = agent_init::CONFIG();
  if (index >= config.rule_configs.size() || !config.rule_configs[index]) {
    panic("rule configuration missing from the registry");
  }
  return *config.rule_configs[index];
}

}  // namespace sorvane::agent_config
