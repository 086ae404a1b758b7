#include "core/evaluation/rules/mongo/mongo.h"

#include <cstdint>
#include <optional>

#include "core/evaluation/rules/pattern_rule.h"

namespace sorvane::evaluation::rules::mongo {
namespace {

constexpr char32_t kRow0All[] = {U'|'};
constexpr char32_t kRow0Any[] = {U'\'', U'"', U'`'};
constexpr char32_t kRow1All[] = {U'(', U')'};

}  // namespace

const std::array<match_engine::ProtoPattern, 2> MONGO_PATTERNS = {{
    {.required_all = kRow0All,
     .required_any = kRow0Any,
     .excluded_contexts = std::nullopt,
     .id = "TRUE-CLAUSE-1",
     .regex = R"re(||)re",
     .min_len = 7,
     .level = 1},
    {.required_all = kRow1All,
     .required_any = std::nullopt,
     .excluded_contexts = std::nullopt,
     .id = "MONGO-SLEEP",
     .regex = R"re((?s)sleep\s*\(\s*(?:(?:(0x|0b)?[\da-fA-F]+|Infinity|Number.MAX_SAFE_INTEGER|Number.MIN_SAFE_INTEGER)\s*([+\-/*])?\s*)+\))re",
     .min_len = 7,
     .level = 1},
}};

std::optional<RuleConfig> NosqlInjectionMongo::init() const {
  return pattern_rule::make_config<rule_config::NosqlInjectionMongo>(MONGO_PATTERNS, 7);
}

std::optional<std::vector<PatternMatch>> NosqlInjectionMongo::get_matches(
    const RuleConfig& config, std::string_view text, const InputTraits& traits) const {
  if (!pattern_rule::has_non_alnum(traits)) return std::nullopt;
  return pattern_rule::match<rule_config::NosqlInjectionMongo>(config, text, traits);
}

// Every finding of this rule weighs the same, whatever matched.
double NosqlInjectionMongo::score(const std::vector<PatternMatch>&) const { return 10.0; }

const NosqlInjectionMongo& instance() {
  static const NosqlInjectionMongo rule;
  return rule;
}

}  // namespace sorvane::evaluation::rules::mongo
