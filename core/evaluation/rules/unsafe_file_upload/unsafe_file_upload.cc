#include "core/evaluation/rules/unsafe_file_upload/unsafe_file_upload.h"

#include <cstdint>
#include <optional>

#include "core/evaluation/rules/pattern_rule.h"

namespace sorvane::evaluation::rules::unsafe_file_upload {

const std::array<match_engine::ProtoPattern, 2> UFU_PATTERNS = {{
    {.required_all = std::nullopt,
     .required_any = std::nullopt,
     .excluded_contexts = std::nullopt,
     .id = "UFU-1",
     .regex = R"re((?i:\.(?:\$DATA|0xe|a6p|a7r|ac|acc|action|actm|ade|adp|ahk|air|apk|app|applescript|application|asb|ascx|asp|aspx|azw2|ba_|bas|bat|bin|btm|caction|cer|cfm|cgi|chm|cmd|cnt|cof|coffee|com|command|config|cpl|cpp|crt|csh|cyw|dek|der|diagcab|dll|e_e|ear|elf|eml|eml|esh|ex_|exe|exe1|exopc|ezt|fas|fxp|gad|gadget|get|grp|ham|hlp|hms|hpj|hta|htm|html|inf|ins|ipa|ipf|isp|its|jar|java|jnlp|js|jse|jsf|jsp|jspx|jsx|ksh|lnk|mac|mad|maf|mag|mam|maq|mar|mas|mat|mau|mav|maw|mcf|mda|mdb|mde|mdt|mdw|mdz|mem|mio|mpx|mrc|mrp|ms|msc|msh|msh1|msh1xml|msh2|msh2xml|mshxml|msi|msl|msp|mst|msu|mxe|nexe|op|osd|otm|out|paf|pcd|pex|phar|php|php1|php2|php3|php4|php5|php6|php7|phpd|phpt|pht|phtml|pif|pl|pl|plg|plx|prf|prg|printerexport|ps1|ps1xml|ps2|ps2xml|psc1|psc2|psd1|psdm1|pst|py|pyc|pyo|qit|qpx|rb|reg|rgs|run|sca|scar|scb|scf|scpt|scptd|scr|script|sct|seed|server|sfx|sh|shb|shs|shtml|spr|svg|templates|templates_c|templates_compiled|temporary|theme|tmp|udf|url|vb|vbe|vbp|vbs|vbscript|vdo|vexe|vlx|vpm|vsmacros|vsw|vxp|wcm|webphp|website|widget|wiz|workflow|wpk|wpm|ws|wsc|wsf|wsh|x86|xap|xbap|xll|xlm|xnk|xqt|xys)($|\x00)))re",
     .min_len = 3,
     .level = 3},
    {.required_all = std::nullopt,
     .required_any = std::nullopt,
     .excluded_contexts = std::nullopt,
     .id = "UFU-2",
     .regex = R"re((?i:(?:php\.rar|web\.xml)))re",
     .min_len = 7,
     .level = 3},
}};

double score(const std::vector<PatternMatch>& matches) {
  for (const PatternMatch& m : matches) {
    if (m.level >= 2) return 90.0;
  }
  return 0.0;
}

}  // namespace sorvane::evaluation::rules::unsafe_file_upload
