// Rule identifiers: one bit per rule; the bit position is the rule's registry index.
#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <optional>
#include <string_view>

namespace sorvane::evaluation::rules {

using RuleType = std::uint16_t;

inline constexpr RuleType kUnsafeFileUpload = 1;
inline constexpr RuleType kPathTraversal = 2;
inline constexpr RuleType kReflectedXss = 4;
inline constexpr RuleType kSqlInjection = 8;
inline constexpr RuleType kCmdInjection = 16;
inline constexpr RuleType kNosqlInjectionMongo = 32;
inline constexpr RuleType kBotBlocker = 64;
inline constexpr RuleType kSsjsInjection = 128;
inline constexpr RuleType kMethodTampering = 256;
inline constexpr RuleType kPrototypePollution = 512;

inline constexpr std::size_t kRuleCount = 10;

// Rule names by index, with "invalid-rule" as entry 10.
inline constexpr std::array<std::string_view, 11> RULE_NAMES = {
    "unsafe-file-upload", "path-traversal", "reflected-xss",   "sql-injection",
    "cmd-injection",      "nosql-injection-mongo", "bot-blocker", "ssjs-injection",
    "method-tampering",   "prototype-pollution",   "invalid-rule"};

// The registry index of a single rule bit; absent for any other value.
constexpr std::optional<std::uint8_t> rule_index(RuleType rule) {
  if (rule == 0 || (rule & (rule - 1)) != 0 || rule > kPrototypePollution) return std::nullopt;
  return static_cast<std::uint8_t>(std::countr_zero(rule));
}

// The rule name, "invalid-rule" for any value that is not one of the ten bits.
constexpr std::string_view rule_name(RuleType rule) {
  auto index = rule_index(rule);
  return RULE_NAMES[index ? *index : 10];
}

}  // namespace sorvane::evaluation::rules
