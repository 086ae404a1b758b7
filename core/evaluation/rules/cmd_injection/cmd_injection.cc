#include "core/evaluation/rules/cmd_injection/cmd_injection.h"

#include <cstdint>
#include <optional>

#include "core/evaluation/rules/cmd_injection/worth_watching.h"
#include "core/evaluation/rules/pattern_rule.h"

namespace sorvane::evaluation::rules::cmd_injection {

const std::array<match_engine::ProtoPattern, 7> CMDI_PATTERNS = {{
    {.required_all = std::nullopt,
     .required_any = match_engine::chars(U"/-"),
     .excluded_contexts = std::nullopt,
     .id = "PIPE-NC-SHELL-2",
     .regex = R"re((?i:powershell(?:\.exe)? [-/](?:e|c|f))|(?i:(?:(?:ba|c|fi|tc|a|z|da)?sh)\s+-[ilc]\s+>)|(?i:cmd(?:\.exe)?\s+(?:(?:/c)|(?:/k))))re",
     .min_len = 6,
     .level = 2},
    {.required_all = match_engine::chars(U"/"),
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
     .required_any = match_engine::chars(U";|&$`"),
     .excluded_contexts = std::nullopt,
     .id = "PIPE-CHAINED-OPS",
     .regex = R"re((?i:(?:&|\||;|`|\$\(|\$\{)\s*(?:(?:rename|move|copy|deltree|del|dir|hostname|ifconfig|ipconfig|netsh|netstat|systeminfo|sysinfo|whoami|wscript|cscript|wmic|PowerShell_ISE|qprocess|regedit|regini|winrm|wpeutil|ntdsutil|taskkill|certutil|mapisend|shellrunas)|(?:(?:/+usr/+bin/+env\s+)|(?:/+bin/+))?(?:mv|cp|ln|ls|chmod|kill|grep|sleep|which|ping|mkdir|uname|shutdown|touch[^;]|fetch|cat|rm|timeout|system|curl|nc|scp|sftp|tftp|wget|echo|(?:ba|c|fi|tc|a|z|da)?sh))\b))re",
     .min_len = 5,
     .level = 2},
}};

}  // namespace sorvane::evaluation::rules::cmd_injection
