#include "core/evaluation/rules/reflected_xss/matcher.h"

#include <bit>
#include <unordered_map>

#include "core/evaluation/rules/reflected_xss/match_functions/js_context.h"
#include "core/evaluation/rules/reflected_xss/match_functions/match_functions.h"
#include "core/evaluation/rules/reflected_xss/match_functions/text_scan.h"
#include "core/fatal_error.h"

namespace sorvane::evaluation::rules::reflected_xss {
namespace {

namespace mf = match_functions;

// HTML attribute names of the framework-directive, event-handler and meta kinds.
constexpr std::string_view kEventHandlerKeywords[] = {
    "charset", "data-remote", "download", "formaction", "http-equiv", "@error", "@load",
    "@click", "ng-blur", "ng-change", "ng-click", "ng-copy", "ng-cut", "ng-dblclick", "ng-focus",
    "ng-if", "ng-keydown", "ng-keypress", "ng-keyup", "ng-mousedown", "ng-mouseenter",
    "ng-mouseleave", "ng-mousemove", "ng-mouseover", "ng-mouseup", "ng-paste", "onabort",
    "onabsolutedeviceorientation", "onactivate", "onactivateinvisible", "onactive",
    "onaddsourcebuffer", "onaddstream", "onaddtrack", "onafterloadRegister", "onafterprint",
    "onafterscriptexecute", "onafterunloadhooks", "onafterupdate", "onanimationcancel",
    "onanimationend", "onanimationiteration", "onanimationstart", "onappinstalled",
    "onariarequest", "onaudioend", "onaudioprocess", "onaudiostart", "onautocomplete",
    "onautocompleteerror", "onauxclick", "onbeforeactivate", "onbeforecopy", "onbeforecut",
    "onbeforedeactivate", "onbeforeeditfocus", "onbeforeinput", "onbeforeinstallprompt",
    "onbeforeload", "onbeforepaste", "onbeforeprint", "onbeforescriptexecute", "onbeforetoggle",
    "onbeforeunload", "onbeforeunloadhooks", "onbeforeunloadRegister", "onbeforeupdate",
    "onbegin", "onblocked", "onblur", "onbounce", "onboundary", "oncached", "oncancel",
    "oncandidatepairchange", "oncandidatewindowhide", "oncandidatewindowshow",
    "oncandidatewindowupdate", "oncanplaythrough", "oncanplay", "oncellchange", "onchange",
    "onchargingchange", "onchargingtimechange", "onchecking", "onclick", "onclose", "oncommand",
    "oncompassneedscalibration", "oncomplete", "oncontextmenu", "oncontrollerchange",
    "oncontrolselect", "oncopy", "oncuechange", "oncut", "ondataavailable", "ondatachannel",
    "ondatasetchanged", "ondatasetcomplete", "ondblclick", "ondeactivate", "ondevicechange",
    "ondevicelight", "ondevicemotion", "ondeviceorientation", "ondeviceorientationabsolute",
    "ondeviceproximity", "ondischargingtimechange", "ondisplay", "ondownloading", "ondragdrop",
    "ondragend", "ondragenter", "ondragexit", "ondragleave", "ondragover", "ondragstart",
    "ondrag", "ondrop", "ondtlsstatechange", "ondurationchange", "onemptied", "onencrypted",
    "onended", "onend", "onenter", "onenterpictureinpicture", "onerrorupdate", "onerror",
    "onexit", "onfetch", "onfilterchange", "onfinish", "onfocusin", "onfocusout", "onfocus",
    "onformchange", "onformdata", "onforminput", "onfullscreenchange", "onfullscreenerror",
    "ongamepadconnected", "ongamepaddisconnected", "ongesturechange", "ongestureend",
    "ongesturestart", "ongotpointercapture", "onhashchange", "onhelp", "onicecandidate",
    "oniceconnectionstatechange", "onicegatheringstatechange", "onicestatechange", "oninactive",
    "oninput", "oninstall", "oninvalid", "onkeydown", "onkeypress", "onkeyup",
    "onlanguagechange", "onlayoutcomplete", "onleavehooks", "onleavepictureinpicture",
    "onleaveRegister", "onlevelchange", "online", "onloadeddata", "onloadedmetadata",
    "onloadend", "onloadhooks", "onloadRegister", "onloadstart", "onload", "onlocalcandidate",
    "onlosecapture", "onlostpointercapture", "onmark", "onmediacomplete", "onmediaerror",
    "onmessageerror", "onmessage", "onmousedown", "onmouseenter", "onmouseleave", "onmousemove",
    "onmouseout", "onmouseover", "onmouseup", "onmousewheel", "onmoveend", "onmovestart",
    "onmove", "onmozbeforepaint", "onmozfullscreenchange", "onmozfullscreenerror",
    "onmozorientationchange", "onmozpointerlockchange", "onmozpointerlockerror",
    "onmscontentzoom", "onmsdecodercapacitychange", "onmsdsh", "onmsfullscreenchange",
    "onmsfullscreenerror", "onmsgesturechange", "onmsgesturedoubletap", "onmsgestureend",
    "onmsgesturehold", "onmsgesturestart", "onmsgesturetap", "onmsgotpointercapture",
    "onmsinertiastart", "onmslostpointercapture", "onmsmanipulationstatechanged", "onmsneedkey",
    "onmsorientationchange", "onmspointercancel", "onmspointerdown", "onmspointerenter",
    "onmspointerhover", "onmspointerleave", "onmspointermove", "onmspointerout",
    "onmspointerover", "onmspointerup", "onmsquality", "onmssitemodejumplistitemremoved",
    "onmsthumbnailclick", "onMSVideoFormatChanged", "onMSVideoFrameStepCompleted",
    "onMSVideoOptimalLayoutChanged", "onmsvideoreceivers", "onmute", "onnegotiationneeded",
    "onnomatch", "onnotificationclick", "onnotificationclose", "onnoupdate", "onobsolete",
    "onoffline", "ononline", "onopen", "onoperadetachedviewchange", "onoperadetachedviewcontrol",
    "onorientationchange", "onoutofsync", "onoverconstrained", "onoverscroll", "onpagechange",
    "onpagehide", "onpageshow", "onpage", "onpaint", "onpaste", "onpause", "onplaying", "onplay",
    "onpluginstreamstart", "onpointercancel", "onpointerdown", "onpointerenter",
    "onpointerleave", "onpointerlockchange", "onpointerlockerror", "onpointermove",
    "onpointerout", "onpointerover", "onpointerrawupdate", "onpointerup", "onpopstate",
    "onprogress", "onpropertychange", "onpush", "onpushsubscriptionchange", "onqt_error",
    "onratechange", "onreadystatechange", "onreceived", "onrejectionhandled",
    "onremovesourcebuffer", "onremovestream", "onremovetrack", "onrepeat", "onreset",
    "onresizeend", "onresizestart", "onresize", "onresourcetimingbufferfull", "onresult",
    "onresume", "onreverse", "onrowdelete", "onrowenter", "onrowexit", "onrowinserted",
    "onrowsdelete", "onrowsinserted", "onscrollend", "onscroll", "onsearch", "onseeked",
    "onseeking", "onseek", "onselectionchange", "onselectstart", "onselect",
    "onShellReadyToLoad", "onshippingaddresschange", "onshippingoptionchange", "onshow",
    "onsignalingstatechange", "onsort", "onsoundend", "onsoundstart", "onsourceclose",
    "onsourceended", "onsourceopen", "onspeechend", "onspeechstart", "onssrcconflict",
    "onstalled", "onstart", "onstatechange", "onstop", "onstorage", "onstoragecommit",
    "onsubmit", "onsuccess", "onsuspend", "onsync", "onsynchrestored", "ontextinput",
    "ontimeerror", "ontimeout", "ontimeupdate", "ontoggle", "ontonechange", "ontouchcancel",
    "ontouchend", "ontouchmove", "ontouchstart", "ontrackchange", "ontransitioncancel",
    "ontransitionend", "ontransitionrun", "ontransitionstart", "onunhandledrejection",
    "onunload", "onunloadhooks", "onunloadRegister", "onunmute", "onupdate", "onupdateend",
    "onupdatefound", "onupdateready", "onupdatestart", "onupgradeneeded", "onurlflip",
    "onuserproximity", "onversionchange", "onvisibilitychange", "onvoiceschanged",
    "onvolumechange", "onvrdisplayactivate", "onvrdisplayblur", "onvrdisplayconnect",
    "onvrdisplaydeactivate", "onvrdisplaydisconnect", "onvrdisplayfocus",
    "onvrdisplaypointerrestricted", "onvrdisplaypointerunrestricted", "onvrdisplaypresentchange",
    "onwaitingforkey", "onwaiting", "onwarning", "onwebkitanimationend",
    "onwebkitanimationiteration", "onwebkitanimationstart",
    "onwebkitcurrentplaybacktargetiswirelesschanged", "onwebkitfullscreenchange",
    "onwebkitfullscreenerror", "onwebkitkeyadded", "onwebkitkeyerror", "onwebkitkeymessage",
    "onwebkitmouseforcechanged", "onwebkitmouseforcedown", "onwebkitmouseforceup",
    "onwebkitmouseforcewillbegin", "onwebkitneedkey", "onwebkitorientationchange",
    "onwebkitplaybacktargetavailabilitychanged", "onwebkitpointerlockchange",
    "onwebkitpointerlockerror", "onwebkitpresentationmodechanged",
    "onwebkitresourcetimingbufferfull", "onwebkittransitionend", "onwebkitwillrevealbottom",
    "onwheel", "onzoom"
};
constexpr std::string_view kTagKeywords[] = {
    "iframe", "frame", "applet", "base", "link", "object", "embed", "script"
};
constexpr std::string_view kCssUrlKeywords[] = {
    "background-image", "list-style-image", "content", "border-image-source", "offset-path",
    "mask-image", "src"
};
constexpr std::string_view kCssUrlLooseKeywords[] = {
    "background", "behavior", "border-image", "cursor"
};
constexpr std::string_view kStyleImportKeywords[] = {"@import"};
constexpr std::string_view kJsObjectKeywords[] = {
    "console", "document.body", "document", "frames", "globalThis", "location", "parent", "self",
    "this", "top", "window"
};
constexpr std::string_view kJsFunctionKeywords[] = {
    "addEventListener", "alert", "attachEvent", "Browser.msgBox", "confirm", "constructor",
    "eval", "open", "print", "prompt", "setImmediate", "setInterval", "setTimeout",
    "showmodaldialog", "substring"
};
constexpr std::string_view kFunctionDefinitionKeywords[] = {"function"};
constexpr std::string_view kLambdaKeywords[] = {"=>"};
constexpr std::string_view kDataUriKeywords[] = {"data:"};
// The fourth is the domain suffix of a public hosting service for XSS payloads.
constexpr std::string_view kSchemeKeywords[] = {
    "javascript:", "livescript:", "vbscript:", ".xss.ht", "expression("
};
constexpr std::string_view kCaseSensitiveKeywords[] = {
    "+ADw-", "+AD4-", "fromCharCode", "getElementById", "getOwnPropertyDescriptor",
    "constructor.prototype", "constructor.constructor", "$on.constructor", ".constructor.",
    "!![]", "__proto__"
};

constexpr char32_t kEquals[] = {'='};
constexpr char32_t kAngularBreak[] = {'{', '}', ')', '"', '/'};
constexpr char32_t kLessThan[] = {'<'};
constexpr char32_t kCssUrl[] = {':', '(', ')'};
constexpr char32_t kAt[] = {'@'};
constexpr char32_t kPropertyAccess[] = {'[', '.'};
constexpr char32_t kCallOpeners[] = {'(', ')', '`'};
constexpr char32_t kParentheses[] = {'(', ')'};
constexpr char32_t kLambda[] = {'{', '=', '>', '}'};
constexpr char32_t kDataUri[] = {':', '/'};

using K = XssEvaluatorKind;
using Keywords = std::span<const std::string_view>;

constexpr XssEvaluator regex_after_keyword(std::string_view pattern) {
  return {K::RegexAfterKeyword, pattern, 90.0f, nullptr};
}
constexpr XssEvaluator match_function(mf::ScanMatchFn fn) { return {K::MatchFunction, {}, 0, fn}; }

bool compiles_expression(XssEvaluatorKind kind) {
  return kind == K::WholeTextRegex || kind == K::RegexAfterKeyword;
}

}  // namespace

const std::array<XssPatternDef, 13> XSS_PATTERN_DEFS = {{
    {regex_after_keyword(R"(^[\s\x00]*=)"), "BAD-EVENT_HANDLERS-1", kEquals, {},
     Keywords(kEventHandlerKeywords)},
    {{K::WholeTextRegex, R"(\{\s*\}\s*\.\s*".*?//)", 90.0f, nullptr}, "ANGULAR-CONTEXT-BREAK",
     kAngularBreak, {}, std::nullopt},
    {match_function(mf::is_tag_name), "PIDS-XSS-38A", kLessThan, {}, Keywords(kTagKeywords)},
    {regex_after_keyword(R"((?i:^\s*:\s*url\())"), "CSS-REMOTE-URL-1", kCssUrl, {},
     Keywords(kCssUrlKeywords)},
    {regex_after_keyword(R"((?i:^\s*:[\s\w-]*url\())"), "CSS-REMOTE-URL-2", kCssUrl, {},
     Keywords(kCssUrlLooseKeywords)},
    {regex_after_keyword(R"(^\s*["'])"), "STYLE-IMPORTS", kAt, {}, Keywords(kStyleImportKeywords)},
    {match_function(mf::is_object_method_call), "BAD-JS-OBJECT", {}, kPropertyAccess,
     Keywords(kJsObjectKeywords)},
    {match_function(mf::js_context::is_function_in_js_context), "BAD-JS-FUNCTION-CALL", {},
     kCallOpeners, Keywords(kJsFunctionKeywords)},
    {match_function(mf::js_context::is_function_in_js_context),
     "EVALUATORS-XSS-Function-Definitions", kParentheses, {},
     Keywords(kFunctionDefinitionKeywords)},
    {regex_after_keyword(R"(^(?:/\*[^*]*\*/|\s+)*\{.)"), "EVALUATORS-XSS-Lambda-Definitions",
     kLambda, {}, Keywords(kLambdaKeywords)},
    {regex_after_keyword(
         R"((?i:^\s*(?:text|image|application|multi-part)/(?:xhtml|xml|x-www|x-x509-user-cert|htm|svg|javascript|form|vtt)))"),
     "DATA-URI-1", kDataUri, {}, Keywords(kDataUriKeywords)},
    {{K::Keyword, {}, 90.0f, nullptr}, "QUENLITH-XSS-KEYWORDS-1", {}, {},
     Keywords(kSchemeKeywords)},
    {match_function(mf::ensure_case_sensitive), "QUENLITH-XSS-KEYWORDS-2", {}, {},
     Keywords(kCaseSensitiveKeywords)},
}};

std::uint8_t level_of_score(float score) {
  if (score < 10) return 0;
  if (score < 90) return 2;
  return 3;
}

namespace {

std::vector<XssEvalPattern> prepare_patterns(std::span<const XssPatternDef> defs) {
  if (defs.size() > 64) panic("more than 64 XSS patterns");
  std::vector<XssEvalPattern> patterns;
  patterns.reserve(defs.size());
  for (const XssPatternDef& def : defs) {
    XssEvalPattern p{def.evaluator, def.id, std::nullopt, def.required_all, def.required_any,
                     def.keywords.has_value(),
                     match_engine::char_filter(def.required_all, def.required_any)};
    if (compiles_expression(def.evaluator.kind)) p.regex.emplace(def.evaluator.pattern);
    if (def.evaluator.kind == K::MatchFunction && def.evaluator.match_fn == nullptr) {
      panic("a match-function pattern without its function");
    }
    patterns.push_back(std::move(p));
  }
  return patterns;
}

}  // namespace

XssMatcher::XssMatcher(std::span<const XssPatternDef> defs)
    : patterns_(prepare_patterns(defs)),
      filters_([&] {
        std::vector<match_engine::CharFilter> filters;
        for (const XssEvalPattern& p : patterns_) filters.push_back(p.char_filter);
        return filters;
      }()),
      keywordless_([&] {
        std::uint64_t rows = 0;
        for (std::size_t p = 0; p < patterns_.size(); ++p) {
          if (!patterns_[p].has_keywords) rows |= std::uint64_t{1} << p;
        }
        return rows;
      }()),
      // Indexes the keywords (each text once, in row order) before building the automaton
      // over them; keywords_ and keyword_patterns_ are declared, so built, before it.
      keyword_automaton_([&] {
        std::unordered_map<std::string_view, std::size_t> index_of;
        for (std::size_t p = 0; p < defs.size(); ++p) {
          if (!defs[p].keywords) continue;
          for (std::string_view keyword : *defs[p].keywords) {
            auto [it, added] = index_of.try_emplace(keyword, keywords_.size());
            if (added) {
              keywords_.push_back(keyword);
              keyword_patterns_.emplace_back();
            }
            keyword_patterns_[it->second].push_back(p);
          }
        }
        for (const std::vector<std::size_t>& rows : keyword_patterns_) {
          std::uint64_t bits = 0;
          for (std::size_t p : rows) bits |= std::uint64_t{1} << p;
          keyword_rows_.push_back(bits);
        }
        return text::AhoCorasick(keywords_, text::MatchKind::LeftmostLongest, true);
      }()) {}

void XssMatcher::get_matches(std::string_view text, const InputTraits& traits,
                             std::vector<PatternMatch>& matches,
                             match_functions::TextScan::Sharing sharing) const {
  float total = 0;
  // Records a match; true once the running total reaches 90.
  auto add = [&](const XssEvalPattern& p, float score) {
    matches.push_back(PatternMatch{p.id, level_of_score(score)});
    total += score;
    return total >= 90.0f;
  };

  // The rows of `rows` that pass their pre-filters, one at a time, lowest first.
  auto for_each_passing = [&](std::uint64_t rows, auto&& f) {
    for (; rows != 0; rows &= rows - 1) {
      const auto index = static_cast<std::size_t>(std::countr_zero(rows));
      if (match_engine::passes_char_filter(filters_[index], traits) && f(patterns_[index])) {
        return true;
      }
    }
    return false;
  };

  const bool done = for_each_passing(keywordless_, [&](const XssEvalPattern& p) {
    if (p.evaluator.kind == K::Keyword) {
      if (add(p, p.evaluator.score)) return true;
    } else if (p.evaluator.kind == K::WholeTextRegex && p.regex->is_match(text)) {
      if (add(p, p.evaluator.score)) return true;
    }
    return false;
  });
  if (done) return;

  // The match functions share their searches over the text for all hits.
  match_functions::TextScan scan(text, sharing);
  std::size_t from = 0;
  while (auto hit = keyword_automaton_.find(text, from)) {
    from = hit->end > hit->start ? hit->end : hit->start + 1;
    if (hit->pattern >= keyword_rows_.size()) panic("keyword index outside the keyword list");
    const bool reached = for_each_passing(keyword_rows_[hit->pattern], [&](const XssEvalPattern& p) {
      const float score = p.evaluator.score;
      switch (p.evaluator.kind) {
        case K::WholeTextRegex:
          return p.regex->is_match(text) && add(p, score);
        case K::Keyword:
          return score > 0 && add(p, score);
        case K::MatchFunction: {
          const float s = p.evaluator.match_fn(keywords_[hit->pattern], scan, hit->start, hit->end);
          return s > 0 && add(p, s);
        }
        case K::RegexAfterKeyword:
          return p.regex->is_match(text.substr(hit->end)) && add(p, score);
      }
      return false;
    });
    if (reached) return;
  }
  matches.clear();
}

}  // namespace sorvane::evaluation::rules::reflected_xss
