#include "core/evaluation/rules/path_traversal/path_traversal.h"

#include <cstdint>
#include <optional>

#include "core/evaluation/rules/pattern_rule.h"

namespace sorvane::evaluation::rules::path_traversal {

const std::array<match_engine::ProtoPattern, 4> PATH_PATTERNS = {{
    {.required_all = match_engine::chars(U":"),
     .required_any = std::nullopt,
     .excluded_contexts = match_engine::kContexts<InputType::UriPath, kRefererValue>,
     .id = "10A-1-0A",
     .regex = R"re((?:^|\s)(?:(?:file|res|telnet|nntp|news|mailto|chrome|wyciwyg)\s*:\s*[%&#xu/]))re",
     .min_len = 5,
     .level = 2},
    {.required_all = match_engine::chars(U"/"),
     .required_any = std::nullopt,
     .excluded_contexts = match_engine::kContexts<InputType::UriPath, kRefererValue>,
     .id = "10A-1-0B",
     .regex = R"re((?:^|\s)\/(?:home|usr|var|etc|proc|opt|s?bin|local|dev|tmp|kern|[br]oot|%[a-z_-]{3,}%)\/)re",
     .min_len = 5,
     .level = 2},
    {.required_all = std::nullopt,
     .required_any = match_engine::chars(U"/\\."),
     .excluded_contexts = match_engine::kContexts<InputType::UriPath, kRefererValue>,
     .id = "10A-1-1",
     .regex = R"re((?:\.\.[\\/])|(?i:(?:[\\/]AppData[\\/](?:Local|LocalLow|Roaming)[\\/]Microsoft))|(?i:[\\/]\$mft)|(?i:[\\/](?:Windows|System32|winnt|progra~\d|program files(?:\s+\(x86\))?)[\\/])|(?:[\\]{2}(([\w.-]{2,})|([a-f0-9:]){10,})\\[\w]+\$\\)|([\\/]{2}(\?|\.)[\\/])|[\\/](?i:(web|app).config|inetpub|localstart\.asp|boot\.ini|access_log|error_log|error\.log|access\.log))re",
     .min_len = 3,
     .level = 2},
    {.required_all = std::nullopt,
     .required_any = match_engine::chars(U"/\\"),
     .excluded_contexts = std::nullopt,
     .id = "3000-12",
     .regex = R"re(([\\/]WEB\-INF[\\/])|(?:/etc/+(?:group|hosts|init|inetd\.conf|passwd|profile|rc|resolv\.conf|securetty|services|shadow|shells|ssh/|xinetd\.conf)))re",
     .min_len = 3,
     .level = 2},
}};

bool guard(const InputTraits& traits) {
  return traits.has_flag(text::char_classes::kNonAscii | text::char_classes::kOther);
}

}  // namespace sorvane::evaluation::rules::path_traversal
