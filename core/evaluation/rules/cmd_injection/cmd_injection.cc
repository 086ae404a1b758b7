#include "core/evaluation/rules/cmd_injection/cmd_injection.h"

#include <cstdint>
#include <optional>

#include "core/evaluation/rules/cmd_injection/worth_watching.h"
#include "core/evaluation/rules/pattern_rule.h"

namespace sorvane::evaluation::rules::cmd_injection {
namespace {

constexpr char32_t kRow0Any[] = {U'/', U'-'};
constexpr char32_t kRow1All[] = {U'/'};
constexpr char32_t kRow6Any[] = {U';', U'|', U'&', U'$', U'`'};

}  // namespace

const std::array<match_engine::ProtoPattern, 7> CMDI_PATTERNS = {{
    {.required_all = std::nullopt,
     .required_any = kRow0Any,
     .excluded_contexts = std::nullopt,
     .id = "PIPE-NC-SHELL-2",
     .regex = R"re((?i:powershell(?:\.exe)? [-/](?:e|c|f))|(?i:(?:(?:ba|c|fi|tc|a|z|da)?sh)\s+-[ilc]\s+>)|(?i:cmd(?:\.exe)?\s+(?:(?:/c)|(?:/k))))re",
     .min_len = 6,
     .level = 2},
    {.required_all = kRow1All,
     .required_any = std::nullopt,
     .excluded_contexts = std::nullopt,
     .id = "PIPE-CAT-PWD",
     .regex = R"re(cat\s(?:.*\s)?/etc/)re",
     .min_len = 8,
     .level = 2},
    {.required_all = std::nullopt,
     .required_any = std::nullopt,
     .excluded_contexts = std::nullopt,
     .id = "CMD-SYSTEM-2",
     .regex = R"re((?i:(?:^|\W+)sc(\.exe)?\s+(?:\\\\\w+\s+)?(?:query|queryex|getdisplayname|getkeyname|enumdepend|qc|start|stop|pause|continue|create|config|delete|control|interrogate|qdescription|description|qfailure|failure|sdshow|sdset)(?:\W+|$)))re",
     .min_len = 5,
     .level = 2},
    {.required_all = std::nullopt,
     .required_any = std::nullopt,
     .excluded_contexts = std::nullopt,
     .id = "CMD-SYSTEM-3",
     .regex = R"re((?i:net\s+(accounts|computer|config|continue|file|group|localgroup|name|pwd|pause|print|send|session|share|start|statistics|stop|time|use|user|view)))re",
     .min_len = 7,
     .level = 2},
    {.required_all = std::nullopt,
     .required_any = std::nullopt,
     .excluded_contexts = std::nullopt,
     .id = "CMD-SYSTEM-4",
     .regex = R"re((?i:reg\s+(?:query|add|delete|copy|export|import|save|restore|load|unload|compare)))re",
     .min_len = 7,
     .level = 2},
    {.required_all = std::nullopt,
     .required_any = std::nullopt,
     .excluded_contexts = std::nullopt,
     .id = "CMD-SYSTEM-5",
     .regex = R"re((?i:ps(?:exec|file|info|kill|list|loggedon|loglist|passwd|ping|service|shutdown|suspend)))re",
     .min_len = 6,
     .level = 2},
    {.required_all = std::nullopt,
     .required_any = kRow6Any,
     .excluded_contexts = std::nullopt,
     .id = "PIPE-CHAINED-OPS",
     .regex = R"re((?i:(?:&|\||;|`|\$\(|\$\{)\s*(?:(?:rename|move|copy|deltree|del|dir|hostname|ifconfig|ipconfig|netsh|netstat|systeminfo|sysinfo|whoami|wscript|cscript|wmic|PowerShell_ISE|qprocess|regedit|regini|winrm|wpeutil|ntdsutil|taskkill|certutil|mapisend|shellrunas)|(?:(?:/+usr/+bin/+env\s+)|(?:/+bin/+))?(?:mv|cp|ln|ls|chmod|kill|grep|sleep|which|ping|mkdir|uname|shutdown|touch[^;]|fetch|cat|rm|timeout|system|curl|nc|scp|sftp|tftp|wget|echo|(?:ba|c|fi|tc|a|z|da)?sh))\b))re",
     .min_len = 5,
     .level = 2},
}};

std::optional<RuleConfig> CmdInjection::init() const {
  return pattern_rule::make_config<rule_config::CmdInjection>(CMDI_PATTERNS, 5);
}

// The configuration is not read.
bool CmdInjection::is_worth_watching(const RuleConfig&, std::string_view text,
                                     const InputTraits& traits) const {
  return worth_watching::is_worth_watching(text, traits);
}

std::optional<std::vector<PatternMatch>> CmdInjection::get_matches(
    const RuleConfig& config, std::string_view text, const InputTraits& traits) const {
  if (!pattern_rule::has_non_alnum(traits)) return std::nullopt;
  return pattern_rule::match<rule_config::CmdInjection>(config, text, traits);
}

double CmdInjection::score(const std::vector<PatternMatch>& matches) const {
  return pattern_rule::score_by_level(matches);
}

const CmdInjection& instance() {
  static const CmdInjection rule;
  return rule;
}

}  // namespace sorvane::evaluation::rules::cmd_injection
