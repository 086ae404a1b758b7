#include "core/evaluation/rules/rule.h"

#include <array>

#include "core/evaluation/rules/unsafe_file_upload/unsafe_file_upload.h"
#include "core/evaluation/rules/path_traversal/path_traversal.h"
#include "core/evaluation/rules/reflected_xss/reflected_xss.h"
#include "core/evaluation/rules/sql_injection/sql_injection.h"
#include "core/evaluation/rules/cmd_injection/cmd_injection.h"
#include "core/evaluation/rules/mongo/mongo.h"
#include "core/evaluation/rules/bot_blocker/bot_blocker.h"
#include "core/evaluation/rules/ssjs_injection/ssjs_injection.h"
#include "core/evaluation/rules/method_tampering/method_tampering.h"
#include "core/evaluation/rules/prototype_pollution/prototype_pollution.h"

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

}  // namespace sorvane::evaluation::rules
