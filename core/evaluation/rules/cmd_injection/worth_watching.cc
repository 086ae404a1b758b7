#include "core/evaluation/rules/cmd_injection/worth_watching.h"

namespace sorvane::evaluation::rules::cmd_injection::worth_watching {

const text::Regex& COMMANDS() {
  static const text::Regex re(
      R"re((?:^\s*(?i:powershell|powershell.exe|bash|sh)\s+\S+)|(?:(?:;|\||&|\$\{|\$\(|`).*?(?i:certutil|cmd.exe|cmd|copy|cscript|deltree|hostname|ifconfig|ipconfig|mapisend|move|netsh|netstat|net|ntdsutil|powershell|powershell.exe|PowerShell_ISE|psexec|pskill|qprocess|query|reg|regedit|regini|rename|sc|shellrunas|sysinfo|systeminfo|taskkill|whoami|winrm|wmic|wpeutil|wscript|zsh|bash|fish|csh|dash|ksh|ash|tcsh|cat|chmod|cp|curl|del|dir|echo|fetch|grep|kill|ls|mkdir|nc|nestat|ping|ps|pwd|rm|sh|shutdown|sleep|system|timeout|touch|uname|wget)\b)|(?:(?:[/\\])(?i:tmp|opt|etc|home|mnt|proc|lib|s?bin|sys|usr|var|root|run|windows|program)))re");
  return re;
}

bool is_worth_watching(std::string_view text, const InputTraits& traits) {
  return text.size() >= 3 && traits.has_flag(text::char_classes::kShellSpecial) && COMMANDS().is_match(text);
}

}  // namespace sorvane::evaluation::rules::cmd_injection::worth_watching
