#include "core/evaluation/rules/registry.h"

#include "core/evaluation/rules/bot_blocker/bot_blocker.h"
#include "core/evaluation/rules/cmd_injection/cmd_injection.h"
#include "core/evaluation/rules/method_tampering/method_tampering.h"
#include "core/evaluation/rules/mongo/mongo.h"
#include "core/evaluation/rules/path_traversal/path_traversal.h"
#include "core/evaluation/rules/prototype_pollution/prototype_pollution.h"
#include "core/evaluation/rules/reflected_xss/reflected_xss.h"
#include "core/evaluation/rules/sql_injection/sql_injection.h"
#include "core/evaluation/rules/ssjs_injection/ssjs_injection.h"
#include "core/evaluation/rules/unsafe_file_upload/unsafe_file_upload.h"
#include "core/fatal_error.h"

namespace sorvane::evaluation::rules {

const Rule* rule_by_index(std::uint8_t index) {
  static const std::array<const Rule*, kRuleCount> kRules = {
      &unsafe_file_upload::instance(),
      &path_traversal::instance(),
      &reflected_xss::instance(),
      &sql_injection::instance(),
      &cmd_injection::instance(),
      &mongo::instance(),
      &bot_blocker::instance(),
      &ssjs_injection::instance(),
      &method_tampering::instance(),
      &prototype_pollution::instance()};
  return index < kRules.size() ? kRules[index] : nullptr;
}

const Rule* rule_by_type(RuleType type) {
  auto index = rule_index(type);
  return index ? rule_by_index(*index) : nullptr;
}

AgentConfig init_config() {
  AgentConfig config;
  for (std::uint8_t index = 0; index < kRuleCount; ++index) {
    config.rule_configs[index] = rule_by_index(index)->init();
  }
  return config;
}

const AgentConfig& CONFIG() {
  // A function-local static is initialised once; racing threads wait for it.
  static const AgentConfig config = init_config();
  return config;
}

const RuleConfig& get_rule_config(std::uint8_t index) {
  const AgentConfig& config = CONFIG();
  if (index >= config.rule_configs.size() || !config.rule_configs[index]) {
    panic("rule configuration missing from the registry");
  }
  return *config.rule_configs[index];
}

}  // namespace sorvane::evaluation::rules
