#include "core/evaluation/rules/reflected_xss/html_unescape.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <variant>

#include "core/evaluation/rules/reflected_xss/rewriter.h"
#include "core/text/utf8.h"

namespace sorvane::evaluation::rules::reflected_xss::html_unescape {
namespace {

struct NamedReference {
  std::string_view name;  // lower case
  char character;
};

// Names of two to four letters are also recognised in all upper case.
constexpr std::array<NamedReference, 24> kNamedReferences = {{
    {"gt", '>'},      {"lt", '<'},      {"amp", '&'},     {"tab", '\t'},
    {"num", '#'},     {"quot", '"'},    {"apos", '\''},   {"lpar", '('},
    {"rpar", ')'},    {"plus", '+'},    {"semi", ';'},    {"lsqb", '['},
    {"rsqb", ']'},    {"lcub", '{'},    {"rcub", '}'},    {"comma", ','},
    {"colon", ':'},   {"period", '.'},  {"lbrack", '['},  {"rbrack", ']'},
    {"equals", '='},  {"lbrace", '{'},  {"rbrace", '}'},  {"percent", '%'},
}};

constexpr std::size_t kMaxNameLength = 8;

bool is_upper_of(std::string_view upper, std::string_view lower) {
  return std::equal(upper.begin(), upper.end(), lower.begin(), lower.end(),
                    [](char u, char l) { return u == l - 'a' + 'A'; });
}

std::optional<char32_t> lookup_name(std::string_view name) {
  for (const NamedReference& ref : kNamedReferences) {
    if (name == ref.name || (name.size() <= 4 && is_upper_of(name, ref.name))) {
      return static_cast<unsigned char>(ref.character);
    }
  }
  return std::nullopt;
}

bool is_ascii_letter(unsigned char b) { return (b | 0x20) >= 'a' && (b | 0x20) <= 'z'; }

int digit_value(unsigned char b, bool hex) {
  if (b >= '0' && b <= '9') return b - '0';
  if (!hex) return -1;
  if (b >= 'a' && b <= 'f') return b - 'a' + 10;
  if (b >= 'A' && b <= 'F') return b - 'A' + 10;
  return -1;
}

struct Reference {
  std::size_t end;
  char32_t character;
};

// The reference was abandoned. Every byte between the '&' and `skipped_to` was skipped
// as "any other ASCII byte", so an '&' among them reaches the same position and is
// abandoned too.
struct Abandoned {
  std::size_t skipped_to;
};

using Outcome = std::variant<Reference, Abandoned>;

std::optional<Reference> read_name(std::string_view text, std::size_t start) {
  for (std::size_t p = start; p < text.size(); ++p) {
    const auto b = static_cast<unsigned char>(text[p]);
    if (b >= 0x80) return std::nullopt;
    if (b == ';') {
      auto c = lookup_name(text.substr(start, p - start));
      if (!c) return std::nullopt;
      return Reference{p + 1, *c};
    }
    if (p - start >= kMaxNameLength) return std::nullopt;
  }
  return std::nullopt;
}

// `hash` is the position of the '#'.
std::optional<Reference> read_number(std::string_view text, std::size_t hash) {
  std::size_t p = hash + 1;
  if (p >= text.size()) return std::nullopt;
  const bool hex = text[p] == 'x' || text[p] == 'X';
  if (hex) ++p;
  if (p >= text.size()) return std::nullopt;
  int d = digit_value(static_cast<unsigned char>(text[p]), hex);
  if (d < 0) return std::nullopt;
  const unsigned base = hex ? 16 : 10;
  const unsigned max_counted = hex ? 6 : 7;
  std::uint64_t value = static_cast<unsigned>(d);
  unsigned counted = 0;
  bool significant = false;
  for (++p;; ++p) {
    if (p >= text.size()) return std::nullopt;
    const auto b = static_cast<unsigned char>(text[p]);
    if (b >= 0x80) return std::nullopt;
    d = digit_value(b, hex);
    if (d < 0) break;
    // Zeros right after the first digit are not counted.
    if (d != 0) significant = true;
    if (significant && ++counted > max_counted) return std::nullopt;
    value = value * base + static_cast<unsigned>(d);
    if (value > UINT32_MAX) return std::nullopt;
  }
  if (value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return std::nullopt;
  const std::size_t end = text[p] == ';' ? p + 1 : p;
  return Reference{end, static_cast<char32_t>(value)};
}

Outcome recognise(std::string_view text, std::size_t amp) {
  std::size_t p = amp + 1;
  for (; p < text.size(); ++p) {
    const auto b = static_cast<unsigned char>(text[p]);
    if (b >= 0x80) break;
    if (is_ascii_letter(b) || b == '#') {
      auto ref = b == '#' ? read_number(text, p) : read_name(text, p);
      if (ref) return *ref;
      break;
    }
  }
  return Abandoned{p};
}

}  // namespace

std::optional<std::string> unescape_html(std::string_view text) {
  Rewriter out(text);
  std::size_t from = 0;
  for (std::size_t at; (at = text.find('&', from)) != std::string_view::npos;) {
    const Outcome outcome = recognise(text, at);
    if (const auto* ref = std::get_if<Reference>(&outcome)) {
      std::string utf8;
      text::append_utf8(utf8, ref->character);
      out.replace(at, ref->end, utf8);
      // An '&' inside a decoded reference is not examined again.
      from = ref->end;
    } else {
      from = std::max(at + 1, std::get<Abandoned>(outcome).skipped_to);
    }
  }
  return std::move(out).finish();
}

}  // namespace sorvane::evaluation::rules::reflected_xss::html_unescape
