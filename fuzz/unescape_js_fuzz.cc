// The JavaScript-escape decoder on arbitrary text: it decodes what a plain recogniser of
// the letter escapes decodes, answers only when it decoded one, every escape shortens the
// text, and valid UTF-8 stays valid.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "core/evaluation/rules/reflected_xss/js_escape.h"
#include "fuzz/fuzz_input.h"

using sorvane::evaluation::rules::reflected_xss::js_escape::unescape_js;

namespace {

// The letter of the hex pair at `at` ("61" to "7a", either case), if it is one.
std::optional<char> letter_at(std::string_view t, std::size_t at) {
  if (at + 1 >= t.size()) return std::nullopt;
  const char first = t[at];
  const char second = t[at + 1];
  int low = -1;
  if (second >= '0' && second <= '9') low = second - '0';
  if (second >= 'a' && second <= 'f') low = second - 'a' + 10;
  if (second >= 'A' && second <= 'F') low = second - 'A' + 10;
  if (first == '6' && low >= 1) return static_cast<char>(0x60 + low);
  if (first == '7' && low >= 0 && low <= 10) return static_cast<char>(0x70 + low);
  return std::nullopt;
}

bool starts_at(std::string_view t, std::size_t at, std::string_view s) {
  return at <= t.size() && t.substr(at, s.size()) == s;
}

std::optional<std::string> reference_unescape(std::string_view t) {
  return quenlith_fuzz::rewrite_at_each(
      t, '\\', [&](std::size_t p) -> std::optional<std::pair<std::string, std::size_t>> {
        std::optional<char> letter;
        std::size_t end = 0;
        if (starts_at(t, p + 1, "x")) {
          letter = letter_at(t, p + 2);
          end = p + 4;
        } else if (starts_at(t, p + 1, "u{")) {
          std::size_t r = p + 3;
          while (r < t.size() && t[r] == '0') ++r;
          letter = letter_at(t, r);
          if (!starts_at(t, r + 2, "}")) letter.reset();
          end = r + 3;
        } else if (starts_at(t, p + 1, "u00")) {
          letter = letter_at(t, p + 4);
          end = p + 6;
        }
        if (!letter) return std::nullopt;
        return std::pair{std::string(1, *letter), end};
      });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  if (!quenlith_fuzz::is_text(text)) return -1;

  const auto decoded = unescape_js(text);
  FUZZ_CHECK(decoded == reference_unescape(text));
  if (text.find('\\') == std::string_view::npos) FUZZ_CHECK(!decoded);
  if (!decoded) return 0;
  // The shortest escape, "\x61", has four bytes and gives one.
  FUZZ_CHECK(decoded->size() + 3 <= text.size());
  FUZZ_CHECK(quenlith_fuzz::is_text(*decoded));
  return 0;
}
