#include "core/evaluation/rules/path_traversal/path_traversal.h"

#include <cstdint>
#include <optional>

#include "core/evaluation/rules/pattern_rule.h"

namespace sorvane::evaluation::rules::path_traversal {
namespace {

constexpr char32_t kRow0All[] = {U':'};
constexpr std::uint8_t kRow0Contexts[] = {10, 0};
constexpr char32_t kRow1All[] = {U'/'};
constexpr std::uint8_t kRow1Contexts[] = {10, 0};
constexpr char32_t kRow2Any[] = {U'/', U'\\', U'.'};
constexpr std::uint8_t kRow2Contexts[] = {10, 0};
constexpr char32_t kRow3Any[] = {U'/', U'\\'};

}  // namespace

const std::array<match_engine::ProtoPattern, 4> PATH_PATTERNS = {{
    {.required_all = kRow0All,
     .required_any = std::nullopt,
     .excluded_contexts = kRow0Contexts,
     .id = "10A-1-0A",
     .regex = R"re((?:^|\s)(?:(?:file|res|telnet|nntp|news|mailto|chrome|wyciwyg)\s*:\s*[%&#xu/]))re",
     .min_len = 5,
     .level = 2},
    {.required_all = kRow1All,
     .required_any = std::nullopt,
     .excluded_contexts = kRow1Contexts,
     .id = "10A-1-0B",
     .regex = R"re((?:^|\s)\/(?:home|usr|var|etc|proc|opt|s?bin|local|dev|tmp|kern|[br]oot|%[a-z_-]{3,}%)\/)re",
     .min_len = 5,
     .level = 2},
    {.required_all = std::nullopt,
     .required_any = kRow2Any,
     .excluded_contexts = kRow2Contexts,
     .id = "10A-1-1",
     .regex = R"re((?:\.\.[\\/])|(?i:(?:[\\/]AppData[\\/](?:Local|LocalLow|Roaming)[\\/]Microsoft))|(?i:[\\/]\$mft)|(?i:[\\/](?:Windows|System32|winnt|progra~\d|program files(?:\s+\(x86\))?)[\\/])|(?:[\\]{2}(([\w.-]{2,})|([a-f0-9:]){10,})\\[\w]+\$\\)|([\\/]{2}(\?|\.)[\\/])|[\\/](?i:(web|app).config|inetpub|localstart\.asp|boot\.ini|access_log|error_log|error\.log|access\.log))re",
     .min_len = 3,
     .level = 2},
    {.required_all = std::nullopt,
     .required_any = kRow3Any,
     .excluded_contexts = std::nullopt,
     .id = "3000-12",
     .regex = R"re(([\\/]WEB\-INF[\\/])|(?:/etc/+(?:group|hosts|init|inetd\.conf|passwd|profile|rc|resolv\.conf|securetty|services|shadow|shells|ssh/|xinetd\.conf)))re",
     .min_len = 3,
     .level = 2},
}};

std::optional<RuleConfig> PathTraversal::init() const {
  return pattern_rule::make_config<rule_config::PathTraversal>(PATH_PATTERNS, 3);
}

// Guard: a non-ASCII byte or an ASCII character that is no letter, digit or blank.
std::optional<std::vector<PatternMatch>> PathTraversal::get_matches(
    const RuleConfig& config, std::string_view text, const InputTraits& traits) const {
  if (!traits.has_flag(text::char_classes::kNonAscii | text::char_classes::kOther)) return std::nullopt;
  return pattern_rule::match<rule_config::PathTraversal>(config, text, traits);
}

double PathTraversal::score(const std::vector<PatternMatch>& matches) const {
  return pattern_rule::score_by_level(matches);
}

const PathTraversal& instance() {
  static const PathTraversal rule;
  return rule;
}

}  // namespace sorvane::evaluation::rules::path_traversal
