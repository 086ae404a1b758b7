#include "core/evaluation/rules/ssjs_injection/ssjs_injection.h"

#include <cstdint>
#include <optional>

#include "core/evaluation/rules/pattern_rule.h"

namespace sorvane::evaluation::rules::ssjs_injection {
namespace {

constexpr char32_t kRow0All[] = {U'('};
constexpr char32_t kRow1Any[] = {U'.', U'\'', U'`', U'"'};
constexpr char32_t kRow2Any[] = {U'.', U'['};
constexpr char32_t kRow3All[] = {U'(', U')'};
constexpr char32_t kRow3Any[] = {U'.', U'['};
constexpr char32_t kRow4All[] = {U')', U'('};
constexpr char32_t kRow5All[] = {U')', U'('};
constexpr char32_t kRow6All[] = {U'='};
constexpr char32_t kRow6Any[] = {U'.', U'['};
constexpr char32_t kRow7All[] = {U'='};
constexpr char32_t kRow7Any[] = {U'.', U'\'', U'`', U'"'};
constexpr char32_t kRow8All[] = {U'O', U'.'};
constexpr char32_t kRow9All[] = {U'('};
constexpr char32_t kRow9Any[] = {U'.', U'\'', U'`', U'"'};
constexpr char32_t kRow10All[] = {U'(', U')'};
constexpr char32_t kRow10Any[] = {U'.', U'['};
constexpr char32_t kRow11Any[] = {U'_'};
constexpr char32_t kRow12All[] = {U'(', U')', U'!', U'[', U']', U'+'};

}  // namespace

const std::array<match_engine::ProtoPattern, 13> SSJS_PATTERNS = {{
    {.required_all = kRow0All,
     .required_any = std::nullopt,
     .excluded_contexts = std::nullopt,
     .id = "SSJS-I-NODE-0",
     .regex = R"re(\brequire\s*\(\s*['`"](?:http|https|http2|events|child_process|cluster|crypto|dns|domain|fs|net|os|path|stream|tls|tty|dgram|util|v8|vm|zlib)['`"])re",
     .min_len = 12,
     .level = 2},
    {.required_all = std::nullopt,
     .required_any = kRow1Any,
     .excluded_contexts = std::nullopt,
     .id = "SSJS-I-NODE-1",
     .regex = R"re((?:module|require)\s*(?:(?:\.\s*)|(:?\[\s*['`"]))(?:exports|require|children|constructor|cache))re",
     .min_len = 12,
     .level = 1},
    {.required_all = std::nullopt,
     .required_any = kRow2Any,
     .excluded_contexts = std::nullopt,
     .id = "SSJS-I-NODE-2",
     .regex = R"re(\bprocess\s*(?:(?:\.\s*)|(?:[\[]\s*['`"]))(?:title|version|moduleLoadList|versions|_promiseRejectEvent|arch|platform|release|argv|execArgv|env|pid|features|_needImmediateCallback|execPath|debugPort|_startProfilerIdleNotifier|_stopProfilerIdleNotifier|_getActiveRequests|_getActiveHandles|chdir|cwd|umask|getuid|geteuid|setuid|seteuid|setgid|setegid|getgid|getegid|getgroups|setgroups|initgroups|_debugProcess|_debugPause|_debugEnd|hrtime|cpuUsage|dlopen|uptime|memoryUsage|binding|_linkedBinding|_events|_rawDebug|_eventsCount|domain|_maxListeners|_fatalException|_exiting|assert|config|emitWarning|nextTick|_tickCallback|_tickDomainCallback|stdout|stderr|stdin|openStdin|argv0))re",
     .min_len = 11,
     .level = 1},
    {.required_all = kRow3All,
     .required_any = kRow3Any,
     .excluded_contexts = std::nullopt,
     .id = "SSJS-I-NODE-3",
     .regex = R"re(\bprocess\s*(?:(?:\.\s*)|(?:[\[]\s*['`"]))(?:reallyExit|abort|_kill|exit|kill))re",
     .min_len = 12,
     .level = 2},
    {.required_all = kRow4All,
     .required_any = std::nullopt,
     .excluded_contexts = std::nullopt,
     .id = "SSJS-I-0",
     .regex = R"re((?:;?(?:while|for|if|function|switch|with)\s*\())re",
     .min_len = 4,
     .level = 2},
    {.required_all = kRow5All,
     .required_any = std::nullopt,
     .excluded_contexts = std::nullopt,
     .id = "SSJS-I-2",
     .regex = R"re((?:(?:eval|Function)\s*\())re",
     .min_len = 5,
     .level = 2},
    {.required_all = kRow6All,
     .required_any = kRow6Any,
     .excluded_contexts = std::nullopt,
     .id = "SSJS-I-3",
     .regex = R"re((?:\.|[\[]\s*['`"])\s*prototype(?:['`"]\])?.*=)re",
     .min_len = 13,
     .level = 2},
    {.required_all = kRow7All,
     .required_any = kRow7Any,
     .excluded_contexts = std::nullopt,
     .id = "SSJS-I-4",
     .regex = R"re(=(?s:\s*(?:\.|\[\s*['`"])(?:constructor|prototype)))re",
     .min_len = 10,
     .level = 2},
    {.required_all = kRow8All,
     .required_any = std::nullopt,
     .excluded_contexts = std::nullopt,
     .id = "SSJS-I-5",
     .regex = R"re(\bObject[\s\n]*\.(?:prototype|assign|getOwnPropertyDescriptor|getOwnPropertyDescriptors|getOwnPropertyNames|getOwnPropertySymbols|is|preventExtensions|seal|create|defineProperties|defineProperty|freeze|getPrototypeOf|setPrototypeOf|isExtensible|isFrozen|isSealed|keys|entries|values|__defineGetter__|__defineSetter__|__lookupGetter__|__lookupSetter__|__proto__))re",
     .min_len = 9,
     .level = 2},
    {.required_all = kRow9All,
     .required_any = kRow9Any,
     .excluded_contexts = std::nullopt,
     .id = "SSJS-EXEC-SPAWN",
     .regex = R"re((?:(?:\.\s*)|(:?\[\s*['`"]))(exec|execFile|execFileSync|execSync|spawn|spawnSync)['`"]?]?\s*\()re",
     .min_len = 6,
     .level = 2},
    {.required_all = kRow10All,
     .required_any = kRow10Any,
     .excluded_contexts = std::nullopt,
     .id = "SSJS-BUILTIN-METHODS",
     .regex = R"re((?:(?:\.\s*)|(:?\[\s*['`"]))(?:accessSync|existsSync|readFile|readFileSync|openSync|readSync|writeSync|renameSync|truncateSync|ftruncate|ftruncateSync|rmdir|rmdirSync|fdatasync|fdatasyncSync|fsync|fsyncSync|mkdir|mkdirSync|readdir|readdirSync|fstat|lstat|fstatSync|lstatSync|statSync|readlink|readlinkSync|symlink|symlinkSync|linkSync|unlinkSync|fchmod|fchmodSync|lchmod|lchmodSync|chmod|chmodSync|lchown|lchownSync|fchown|fchownSync|chown|chownSync|utimes|utimesSync|futimesSync|writeFile|writeFileSync|appendFile|appendFileSync|watchFile|unwatchFile|realpathSync|mkdtemp|mkdtempSync|createReadStream|createWriteStream|ReadStream|WriteStream|createServer|createSocket|resolve))re",
     .min_len = 6,
     .level = 1},
    {.required_all = std::nullopt,
     .required_any = kRow11Any,
     .excluded_contexts = std::nullopt,
     .id = "SSJS-MISC",
     .regex = R"re((?:__(?:file|dir)name))re",
     .min_len = 9,
     .level = 1},
    {.required_all = kRow12All,
     .required_any = std::nullopt,
     .excluded_contexts = std::nullopt,
     .id = "JSFCK-1",
     .regex = R"re(\(!!\[\]\+\[\]\)\[!\+\[\]\+!\+\[\]\+!\+\[\]\])re",
     .min_len = 1286,
     .level = 3},
}};

namespace {

// At least one character that every row's expression needs one of.
bool has_script_char(const InputTraits& traits) {
  for (char32_t c : {U'!', U'"', U'\'', U'(', U'.', U'=', U'O', U'[', U'_', U'`', U'{'}) {
    if (traits.has_char(c)) return true;
  }
  return false;
}

}  // namespace

std::optional<RuleConfig> SsjsInjection::init() const {
  return pattern_rule::make_config<rule_config::SsjsInjection>(SSJS_PATTERNS, 4);
}

std::optional<std::vector<PatternMatch>> SsjsInjection::get_matches(
    const RuleConfig& config, std::string_view text, const InputTraits& traits) const {
  if (!pattern_rule::has_non_alnum(traits) || !has_script_char(traits)) return std::nullopt;
  return pattern_rule::match<rule_config::SsjsInjection>(config, text, traits);
}

double SsjsInjection::score(const std::vector<PatternMatch>& matches) const {
  return pattern_rule::score_by_level(matches);
}

const SsjsInjection& instance() {
  static const SsjsInjection rule;
  return rule;
}

}  // namespace sorvane::evaluation::rules::ssjs_injection
