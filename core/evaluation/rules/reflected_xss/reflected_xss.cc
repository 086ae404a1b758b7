#include "core/evaluation/rules/reflected_xss/reflected_xss.h"

#include <memory>
#include <string>

#include "core/evaluation/rules/reflected_xss/html_unescape.h"
#include "core/evaluation/rules/reflected_xss/js_escape.h"
#include "core/evaluation/rules/reflected_xss/matcher.h"

namespace sorvane::evaluation::rules::reflected_xss {

const std::array<std::string_view, 97> SHORT_VECTORS = {
    "__proto__", "<script", "\\u", "alert", "attachEvent", "Browser.msgBox", "confirm",
    "constructor", "console", "data:", "eval", "function", "hash", "javascript:", "onabort",
    "onafterprint", "onbeforeprint", "onbeforeunload", "onblur", "onbounce", "oncanplay",
    "oncanplaythrough", "onchange", "onclick", "oncontextmenu", "oncopy", "oncuechange", "oncut",
    "ondblclick", "ondrag", "ondragend", "ondragenter", "ondragleave", "ondragover",
    "ondragstart", "ondurationchange", "onemptied", "onended", "onerror", "onfinish", "onfocus",
    "onhashchange", "oninput", "oninvalid", "onkeydown", "onkeypress", "onkeyup", "onload",
    "onloadeddata", "onloadedmetadata", "onloadstart", "onmessage", "onmousedown", "onmousemove",
    "onmouseout", "onmouseover", "onmouseup", "onmousewheel", "onoffline", "ononline",
    "onpagehide", "onpageshow", "onpaste", "onpause", "onplay", "onplaying", "onpopstate",
    "onprogress", "onratechange", "onreset", "onresize", "onscroll", "onsearch", "onseeked",
    "onseeking", "onselect", "onshow", "onstalled", "onstart", "onstorage", "onsubmit",
    "onsuspend", "ontimeupdate", "ontoggle", "onunload", "onvolumechange", "onwaiting",
    "onwheel", "open", "print", "prompt", "setTimeout", "setInterval", "setImmediate",
    "showmodaldialog", "substring", "vbscript:"
};

const text::AhoCorasick& short_vectors_automaton() {
  static const text::AhoCorasick automaton(SHORT_VECTORS, text::MatchKind::Standard, true);
  return automaton;
}

std::optional<RuleConfig> ReflectedXss::init() const {
  return RuleConfig{rule_config::ReflectedXss{std::make_shared<const XssMatcher>()}};
}

namespace {

// Character gate: a character of class 0x80 and one that is neither a letter, a digit nor a
// blank.
bool character_gate(const InputTraits& traits) {
  namespace it = text::char_classes;
  return traits.has_flag(it::kMarkupSpecial) && traits.has_flag(it::kNonAscii | it::kOther);
}

}  // namespace

FirstTraitTest ReflectedXss::first_trait_test() const { return &character_gate; }

void ReflectedXss::get_matches(const RuleConfig& config, std::string_view text,
                               const InputTraits& traits,
                               std::vector<PatternMatch>& matches) const {
  if (!character_gate(traits)) return;
  if (text.size() <= kShortInputLength && !short_vectors_automaton().is_match(text)) {
    return;
  }

  // The decoders' triggers, like every character pre-filter of the matcher, read the
  // character set of the undecoded input.
  std::string_view decoded = text;
  std::optional<std::string> js;
  if (traits.has_char('\\') && (traits.has_char('u') || traits.has_char('x')) &&
      text.size() >= 4) {
    js = js_escape::unescape_js(decoded);
    if (js) decoded = *js;
  }
  std::optional<std::string> html;
  if (traits.has_char('&') && (traits.has_char('#') || traits.has_char(';'))) {
    html = html_unescape::unescape_html(decoded);
    if (html) decoded = *html;
  }

  const auto& matcher = config.expect<rule_config::ReflectedXss>().matcher;
  if (!matcher) panic("bad RuleConfig");
  matcher->get_matches(decoded, traits, matches);
}

double ReflectedXss::score(const std::vector<PatternMatch>& matches) const {
  std::size_t counts[4] = {0, 0, 0, 0};
  for (const PatternMatch& m : matches) {
    if (m.level < 4) ++counts[m.level];
  }
  if (counts[3] > 0) return 90.0;
  if (counts[2] > 0) return counts[0] == 0 && counts[1] == 0 ? 10.0 : 90.0;
  if (counts[1] > 0) return 10.0;
  return 0.0;
}

const ReflectedXss& instance() {
  static const ReflectedXss rule;
  return rule;
}

}  // namespace sorvane::evaluation::rules::reflected_xss
