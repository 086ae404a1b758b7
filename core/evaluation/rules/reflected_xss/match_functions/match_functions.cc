#include "core/evaluation/rules/reflected_xss/match_functions/match_functions.h"

#include <algorithm>
#include <array>

#include "core/fatal_error.h"
#include "core/evaluation/rules/reflected_xss/match_functions/js_string_parser.h"
#include "core/text/unicode.h"
#include "core/text/utf8.h"

namespace sorvane::evaluation::rules::reflected_xss::match_functions {
namespace {

constexpr std::string_view kWindowMethods[] = {
    "alert", "atob", "blur", "btoa", "cancelAnimationFrame", "cancelIdleCallback",
    "clearImmediate", "clearInterval", "clearTimeout", "close", "confirm", "createImageBitmap",
    "dispatchEvent", "fetch", "find", "focus", "getComputedStyle", "getSelection", "matchMedia",
    "moveBy", "moveTo", "open", "postMessage", "print", "prompt", "queueMicrotask",
    "reportError", "requestAnimationFrame", "requestIdleCallback", "resizeBy", "resizeTo",
    "scroll", "scrollBy", "scrollTo", "setImmediate", "setInterval", "setTimeout", "stop",
    "structuredClone"
};

constexpr std::string_view kElementMethods[] = {
    "addEventListener", "after", "animate", "append", "appendChild", "attachShadow", "before",
    "blur", "click", "cloneNode", "closest", "compareDocumentPosition", "contains",
    "dispatchEvent", "focus", "getAttribute", "getAttributeNS", "getAnimations",
    "getBoundingClientRect", "getClientRects", "getElementsByClassName", "getElementsByTagName",
    "getElementsByTagNameNS", "getRootNode", "hasAttribute", "hasAttributeNS", "hasAttributes",
    "hasChildNodes", "hasPointerCapture", "insertAdjacentElement", "insertAdjacentHTML",
    "insertAdjacentText", "matches", "normalize", "prepend", "querySelector", "querySelectorAll",
    "releasePointerCapture", "remove", "removeAttribute", "removeAttributeNS", "removeChild",
    "removeEventListener", "replaceChild", "replaceChildren", "replaceWith", "requestFullscreen",
    "requestPointerLock", "scroll", "scrollBy", "scrollIntoView", "scrollTo", "setAttribute",
    "setAttributeNS", "setPointerCapture", "toggleAttribute"
};

constexpr std::string_view kDocumentMethods[] = {
    "adoptNode", "addEventListener", "append", "caretPositionFromPoint", "caretRangeFromPoint",
    "close", "createAttribute", "createAttributeNS", "createCDATASection", "createComment",
    "createDocumentFragment", "createElement", "createElementNS", "createEvent",
    "createExpression", "createNodeIterator", "createProcessingInstruction", "createRange",
    "createTextNode", "createTreeWalker", "dispatchEvent", "elementFromPoint",
    "elementsFromPoint", "evaluate", "execCommand", "exitFullscreen", "exitPictureInPicture",
    "exitPointerLock", "getElementById", "getElementsByClassName", "getElementsByName",
    "getElementsByTagName", "getElementsByTagNameNS", "getAnimations", "getSelection",
    "hasFocus", "hasStorageAccess", "importNode", "open", "prepend", "querySelector",
    "querySelectorAll", "removeEventListener", "replaceChildren", "requestStorageAccess",
    "write", "writeln"
};

constexpr std::string_view kLocationMethods[] = {"assign", "reload", "replace", "toString"};

constexpr std::string_view kConsoleMethods[] = {
    "assert", "clear", "count", "countReset", "debug", "dir", "dirxml", "error", "group",
    "groupCollapsed", "groupEnd", "info", "log", "profile", "profileEnd", "table", "time",
    "timeEnd", "timeLog", "timeStamp", "trace", "warn"
};

bool is_char_boundary(std::string_view text, std::size_t offset) {
  return offset == text.size() || (static_cast<unsigned char>(text[offset]) & 0xC0) != 0x80;
}

// The first byte at or after `pos` that does not start a whitespace character.
std::size_t skip_white_space(std::string_view text, std::size_t pos) {
  while (pos < text.size()) {
    std::size_t next = pos;
    if (!text::is_white_space(text::decode_at(text, next))) break;
    pos = next;
  }
  return pos;
}

// Whether the first character of `text` after whitespace is `c`: PROP_METHOD_CALL_START and
// PROP_METHOD_CALL_END match only where it is "[" or "]", so their searches wait for it.
bool first_after_white_space_is(std::string_view text, char c) {
  const std::size_t pos = skip_white_space(text, 0);
  return pos < text.size() && text[pos] == c;
}

bool is_ascii_word_byte(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// Whether NORMAL_METHOD_CALL matches `rest` with a group 1 on `methods`: whitespace, ".",
// whitespace, a name of three or more ASCII word characters on the list, then whitespace
// and "(" or a backtick. Group 1 is the whole run of word characters after the dot, so it is
// a listed (ASCII) name exactly when the ASCII run there is one and what follows it is no
// word character. The expression then only confirms the match, without its capture.
bool calls_listed_method(std::string_view rest, std::span<const std::string_view> methods) {
  std::size_t pos = skip_white_space(rest, 0);
  if (pos == rest.size() || rest[pos] != '.') return false;
  pos = skip_white_space(rest, pos + 1);
  const std::size_t name = pos;
  while (pos < rest.size() && is_ascii_word_byte(rest[pos])) ++pos;
  const std::string_view method = rest.substr(name, pos - name);
  if (method.size() < 3 || std::find(methods.begin(), methods.end(), method) == methods.end()) {
    return false;
  }
  pos = skip_white_space(rest, pos);
  if (pos == rest.size() || (rest[pos] != '(' && rest[pos] != '`')) return false;
  return normal_method_call().is_match(rest);
}

}  // namespace

void check_hit(std::string_view text, std::size_t match_start, std::size_t match_end) {
  if (match_start > match_end || match_end > text.size() ||
      !is_char_boundary(text, match_start) || !is_char_boundary(text, match_end)) {
    panic("keyword hit outside the text or inside a character");
  }
}

const ObjectMethods& js_object_methods() {
  static const ObjectMethods methods = {
      {"window", kWindowMethods},     {"parent", kWindowMethods},
      {"self", kWindowMethods},       {"top", kWindowMethods},
      {"document.body", kElementMethods}, {"document", kDocumentMethods},
      {"location", kLocationMethods}, {"this", kWindowMethods},
      {"globalThis", kWindowMethods}, {"frames", kWindowMethods},
      {"console", kConsoleMethods},
  };
  return methods;
}

const text::Regex& normal_method_call() {
  static const text::Regex re(R"(^\s*\.\s*(\w{3,})\s*[(`])");
  return re;
}

const text::Regex& prop_method_call_start() {
  static const text::Regex re(R"(^\s*\[\s*)");
  return re;
}

const text::Regex& prop_method_call_end() {
  static const text::Regex re(R"(^\s*\])");
  return re;
}

float is_tag_name(std::string_view, TextScan& scan, std::size_t match_start,
                  std::size_t match_end) {
  const std::string_view text = scan.text();
  check_hit(text, match_start, match_end);
  if (match_end == text.size()) return kNoMatch;
  std::size_t after = match_end;
  const char32_t next = text::decode_at(text, after);
  if (next != '>' && !text::is_white_space(next)) return kNoMatch;
  std::size_t pos = match_start;
  while (pos > 0) {
    const char32_t c = text::decode_before(text, pos);
    if (!text::is_white_space(c)) return c == '<' ? kMatch : kNoMatch;
  }
  return kNoMatch;
}

float ensure_case_sensitive(std::string_view keyword, TextScan& scan, std::size_t match_start,
                            std::size_t match_end) {
  const std::string_view text = scan.text();
  check_hit(text, match_start, match_end);
  return text.substr(match_start, match_end - match_start) == keyword ? kMatch : kNoMatch;
}

float is_object_method_call(std::string_view keyword, TextScan& scan, std::size_t match_start,
                            std::size_t match_end) {
  const std::string_view text = scan.text();
  check_hit(text, match_start, match_end);
  const std::string_view rest = text.substr(match_end);

  const ObjectMethods& objects = js_object_methods();
  if (auto it = objects.find(keyword); it != objects.end() && calls_listed_method(rest, it->second)) {
    return kMatch;
  }

  // Bracket access: any string expression followed by "]" scores, whatever it spells.
  if (!first_after_white_space_is(rest, '[')) return kNoMatch;
  auto open = prop_method_call_start().find(rest);
  if (!open) return kNoMatch;
  const std::size_t inner = match_end + open->end;
  const std::size_t n = js_string_parser::parse_js_string_expression(scan, inner);
  if (n == 0) return kNoMatch;
  const std::string_view after = text.substr(inner + n);
  return first_after_white_space_is(after, ']') && prop_method_call_end().is_match(after)
             ? kMatch
             : kNoMatch;
}

float is_tag_name(std::string_view keyword, std::string_view text, std::size_t match_start,
                  std::size_t match_end) {
  TextScan scan(text);
  return is_tag_name(keyword, scan, match_start, match_end);
}

float ensure_case_sensitive(std::string_view keyword, std::string_view text,
                            std::size_t match_start, std::size_t match_end) {
  TextScan scan(text);
  return ensure_case_sensitive(keyword, scan, match_start, match_end);
}

float is_object_method_call(std::string_view keyword, std::string_view text,
                            std::size_t match_start, std::size_t match_end) {
  TextScan scan(text);
  return is_object_method_call(keyword, scan, match_start, match_end);
}

}  // namespace sorvane::evaluation::rules::reflected_xss::match_functions
