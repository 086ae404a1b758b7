// The HTML-reference decoder on arbitrary text: it decodes what a plain recogniser of the
// named and numeric references decodes, answers only when it decoded one, every reference
// shortens the text, and valid UTF-8 stays valid.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "core/evaluation/rules/reflected_xss/html_unescape.h"
#include "core/text/utf8.h"
#include "fuzz/fuzz_input.h"

using sorvane::evaluation::rules::reflected_xss::html_unescape::unescape_html;

namespace {

std::optional<char32_t> named(std::string_view name) {
  static const std::pair<std::string_view, char32_t> kShort[] = {
      {"gt", '>'},   {"lt", '<'},   {"amp", '&'},  {"tab", '\t'}, {"num", '#'},
      {"quot", '"'}, {"apos", '\''}, {"lpar", '('}, {"rpar", ')'}, {"plus", '+'},
      {"semi", ';'}, {"lsqb", '['}, {"rsqb", ']'}, {"lcub", '{'}, {"rcub", '}'}};
  static const std::pair<std::string_view, char32_t> kLong[] = {
      {"comma", ','},  {"colon", ':'},  {"period", '.'}, {"lbrack", '['}, {"rbrack", ']'},
      {"equals", '='}, {"lbrace", '{'}, {"rbrace", '}'}, {"percent", '%'}};
  for (auto [n, c] : kLong) {
    if (name == n) return c;
  }
  for (auto [n, c] : kShort) {
    if (name == n) return c;
    std::string upper(n);
    for (char& u : upper) u = static_cast<char>(u - 'a' + 'A');
    if (name == upper) return c;
  }
  return std::nullopt;
}

bool letter(unsigned char b) { return (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z'); }

int digit_value(unsigned char b, int base) {
  int v = 99;
  if (b >= '0' && b <= '9') v = b - '0';
  if (b >= 'a' && b <= 'f') v = b - 'a' + 10;
  if (b >= 'A' && b <= 'F') v = b - 'A' + 10;
  return v < base ? v : -1;
}

// The character of the reference at the "&" at `p`, and where the reference ends.
std::optional<std::pair<char32_t, std::size_t>> reference_at(std::string_view t, std::size_t p) {
  auto byte = [&](std::size_t i) { return static_cast<unsigned char>(t[i]); };
  std::size_t q = p + 1;
  while (q < t.size() && byte(q) < 0x80 && !letter(byte(q)) && byte(q) != '#') ++q;
  if (q >= t.size() || byte(q) >= 0x80) return std::nullopt;
  if (letter(byte(q))) {
    const std::size_t start = q;
    while (q < t.size() && byte(q) < 0x80 && byte(q) != ';') {
      if (++q - start > 8) return std::nullopt;
    }
    if (q >= t.size() || byte(q) != ';') return std::nullopt;
    auto c = named(t.substr(start, q - start));
    if (!c) return std::nullopt;
    return std::pair{*c, q + 1};
  }
  ++q;  // '#'
  int base = 10;
  if (q < t.size() && (byte(q) == 'x' || byte(q) == 'X')) {
    base = 16;
    ++q;
  }
  if (q >= t.size() || digit_value(byte(q), base) < 0) return std::nullopt;
  std::uint64_t value = static_cast<std::uint64_t>(digit_value(byte(q), base));
  int counted = 0;
  bool significant = false;
  for (++q; q < t.size() && digit_value(byte(q), base) >= 0; ++q) {
    significant = significant || byte(q) != '0';
    if (significant && ++counted > (base == 10 ? 7 : 6)) return std::nullopt;
    value = value * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit_value(byte(q), base));
    if (value > 0xFFFFFFFFu) return std::nullopt;
  }
  if (q >= t.size() || byte(q) >= 0x80) return std::nullopt;
  if (value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return std::nullopt;
  return std::pair{static_cast<char32_t>(value), byte(q) == ';' ? q + 1 : q};
}

std::optional<std::string> reference_unescape(std::string_view t) {
  return quenlith_fuzz::rewrite_at_each(
      t, '&', [&](std::size_t p) -> std::optional<std::pair<std::string, std::size_t>> {
        auto reference = reference_at(t, p);
        if (!reference) return std::nullopt;
        std::string character;
        sorvane::text::append_utf8(character, reference->first);
        return std::pair{character, reference->second};
      });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  if (!quenlith_fuzz::is_text(text)) return -1;

  const auto decoded = unescape_html(text);
  FUZZ_CHECK(decoded == reference_unescape(text));
  if (text.find('&') == std::string_view::npos) FUZZ_CHECK(!decoded);
  if (!decoded) return 0;
  // The shortest reference, "&#9" before a byte that ends it, gives one byte for three; no
  // reference gives more than its length less two.
  FUZZ_CHECK(decoded->size() + 2 <= text.size());
  FUZZ_CHECK(quenlith_fuzz::is_text(*decoded));
  return 0;
}
