#include "core/evaluation/rules/ssjs_injection/ssjs_injection.h"

#include <cstdint>
#include <optional>

#include "core/evaluation/rules/pattern_rule.h"

namespace sorvane::evaluation::rules::ssjs_injection {

const std::array<match_engine::ProtoPattern, 13> SSJS_PATTERNS = {{
    {.required_all = match_engine::chars(U"("),
     .required_any = std::nullopt,
     .excluded_contexts = std::nullopt,
     .id = "SSJS-I-NODE-0",
     .regex = R"re(\brequire\s*\(\s*['`"](?:http|https|http2|events|child_process|cluster|crypto|dns|domain|fs|net|os|path|stream|tls|tty|dgram|util|v8|vm|zlib)['`"])re",
     .min_len = 12,
     .level = 2},
    {.required_all = std::nullopt,
     .required_any = match_engine::chars(U".'`\""),
     .excluded_contexts = std::nullopt,
     .id = "SSJS-I-NODE-1",
     .regex = R"re((?:module|require)\s*(?:(?:\.\s*)|(:?\[\s*['`"]))(?:exports|require|children|constructor|cache))re",
     .min_len = 12,
     .level = 1},
    {.required_all = std::nullopt,
     .required_any = match_engine::chars(U".["),
     .excluded_contexts = std::nullopt,
     .id = "SSJS-I-NODE-2",
     .regex = R"re(\bprocess\s*(?:(?:\.\s*)|(?:[\[]\s*['`"]))(?:title|version|moduleLoadList|versions|_promiseRejectEvent|arch|platform|release|argv|execArgv|env|pid|features|_needImmediateCallback|execPath|debugPort|_startProfilerIdleNotifier|_stopProfilerIdleNotifier|_getActiveRequests|_getActiveHandles|chdir|cwd|umask|getuid|geteuid|setuid|seteuid|setgid|setegid|getgid|getegid|getgroups|setgroups|initgroups|_debugProcess|_debugPause|_debugEnd|hrtime|cpuUsage|dlopen|uptime|memoryUsage|binding|_linkedBinding|_events|_rawDebug|_eventsCount|domain|_maxListeners|_fatalException|_exiting|assert|config|emitWarning|nextTick|_tickCallback|_tickDomainCallback|stdout|stderr|stdin|openStdin|argv0))re",
     .min_len = 11,
     .level = 1},
    {.required_all = match_engine::chars(U"()"),
     .required_any = match_engine::chars(U".["),
     .excluded_contexts = std::nullopt,
     .id = "SSJS-I-NODE-3",
     .regex = R"re(\bprocess\s*(?:(?:\.\s*)|(?:[\[]\s*['`"]))(?:reallyExit|abort|_kill|exit|kill))re",
     .min_len = 12,
     .level = 2},
    {.required_all = match_engine::chars(U")("),
     .required_any = std::nullopt,
     .excluded_contexts = std::nullopt,
     .id = "SSJS-I-0",
     .regex = R"re((?:;?(?:while|for|if|function|switch|with)\s*\())re",
     .min_len = 4,
     .level = 2},
    {.required_all = match_engine::chars(U")("),
     .required_any = std::nullopt,
     .excluded_contexts = std::nullopt,
     .id = "SSJS-I-2",
     .regex = R"re((?:(?:eval|Function)\s*\())re",
     .min_len = 5,
     .level = 2},
    {.required_all = match_engine::chars(U"="),
     .required_any = match_engine::chars(U".["),
     .excluded_contexts = std::nullopt,
     .id = "SSJS-I-3",
     .regex = R"re((?:\.|[\[]\s*['`"])\s*prototype(?:['`"]\])?.*=)re",
     .min_len = 13,
     .level = 2},
    {.required_all = match_engine::chars(U"="),
     .required_any = match_engine::chars(U".'`\""),
     .excluded_contexts = std::nullopt,
     .id = "SSJS-I-4",
     .regex = R"re(=(?s:\s*(?:\.|\[\s*['`"])(?:constructor|prototype)))re",
     .min_len = 10,
     .level = 2},
    {.required_all = match_engine::chars(U"O."),
     .required_any = std::nullopt,
     .excluded_contexts = std::nullopt,
     .id = "SSJS-I-5",
     .regex = R"re(\bObject[\s\n]*\.(?:prototype|assign|getOwnPropertyDescriptor|getOwnPropertyDescriptors|getOwnPropertyNames|getOwnPropertySymbols|is|preventExtensions|seal|create|defineProperties|defineProperty|freeze|getPrototypeOf|setPrototypeOf|isExtensible|isFrozen|isSealed|keys|entries|values|__defineGetter__|__defineSetter__|__lookupGetter__|__lookupSetter__|__proto__))re",
     .min_len = 9,
     .level = 2},
    {.required_all = match_engine::chars(U"("),
     .required_any = match_engine::chars(U".'`\""),
     .excluded_contexts = std::nullopt,
     .id = "SSJS-EXEC-SPAWN",
     .regex = R"re((?:(?:\.\s*)|(:?\[\s*['`"]))(exec|execFile|execFileSync|execSync|spawn|spawnSync)['`"]?]?\s*\()re",
     .min_len = 6,
     .level = 2},
    {.required_all = match_engine::chars(U"()"),
     .required_any = match_engine::chars(U".["),
     .excluded_contexts = std::nullopt,
     .id = "SSJS-BUILTIN-METHODS",
     .regex = R"re((?:(?:\.\s*)|(:?\[\s*['`"]))(?:accessSync|existsSync|readFile|readFileSync|openSync|readSync|writeSync|renameSync|truncateSync|ftruncate|ftruncateSync|rmdir|rmdirSync|fdatasync|fdatasyncSync|fsync|fsyncSync|mkdir|mkdirSync|readdir|readdirSync|fstat|lstat|fstatSync|lstatSync|statSync|readlink|readlinkSync|symlink|symlinkSync|linkSync|unlinkSync|fchmod|fchmodSync|lchmod|lchmodSync|chmod|chmodSync|lchown|lchownSync|fchown|fchownSync|chown|chownSync|utimes|utimesSync|futimesSync|writeFile|writeFileSync|appendFile|appendFileSync|watchFile|unwatchFile|realpathSync|mkdtemp|mkdtempSync|createReadStream|createWriteStream|ReadStream|WriteStream|createServer|createSocket|resolve))re",
     .min_len = 6,
     .level = 1},
    {.required_all = std::nullopt,
     .required_any = match_engine::chars(U"_"),
     .excluded_contexts = std::nullopt,
     .id = "SSJS-MISC",
     .regex = R"re((?:__(?:file|dir)name))re",
     .min_len = 9,
     .level = 1},
    {.required_all = match_engine::chars(U"()![]+"),
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
  constexpr CharMask kScriptChars = CharMask::of("!\"'(.=O[_`{");
  return traits.has_any(kScriptChars);
}

}  // namespace

bool guard(const InputTraits& traits) {
  return pattern_rule::has_non_alnum(traits) && has_script_char(traits);
}

}  // namespace sorvane::evaluation::rules::ssjs_injection
