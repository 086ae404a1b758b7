#include "core/evaluation/rules/sql_injection/strip.h"

#include <cstddef>

namespace sorvane::evaluation::rules::sql_injection::strip {

const text::Regex& COMMENT_RE() {
  static const text::Regex re(R"re(/\*)re");
  return re;
}

const text::Regex& ASCII_SEP_RE() {
  static const text::Regex re(R"re([\x1c\x1d\x1e\x1f]+)re");
  return re;
}

namespace {

enum class Pair { None, AfterStar, AfterSlash };

}  // namespace

std::optional<std::string> strip_comments(std::string_view w) {
  const std::size_t len = w.size();
  std::string out;
  std::size_t last = 0;
  bool modified = false;
  int depth = 0;  // carries over from one opener to the next

  for (std::size_t from = 0;;) {
    std::optional<text::Span> opener = COMMENT_RE().find(w, from);
    if (!opener) break;
    from = opener->end;
    const std::size_t a = opener->start;
    if (a < last || a + 2 >= len) continue;

    Pair pair = Pair::None;
    for (std::size_t i = a + 2; i < len; ++i) {
      const unsigned char c = static_cast<unsigned char>(w[i]);
      if (c >= 0x80) continue;  // bytes of non-ASCII characters change nothing
      if (pair == Pair::None) {
        pair = c == '*' ? Pair::AfterStar : c == '/' ? Pair::AfterSlash : Pair::None;
        continue;
      }
      if (pair == Pair::AfterSlash) {
        if (c == '*') ++depth;  // a nested opener
        pair = Pair::None;
        continue;
      }
      // After a star: only a "/" closes ("**/" does not).
      if (c != '/') {
        pair = Pair::None;
        continue;
      }
      if (depth > 0) {
        --depth;
        pair = Pair::None;
        continue;
      }
      // A closer at depth 0. One whose opener lies inside an already removed comment
      // leaves the whole window as it was.
      if (a < last) return std::nullopt;
      out.append(w.substr(last, a - last));
      out.push_back(' ');
      last = i + 1;
      modified = true;
      // The pair state stays after-star: a "/" right behind is another closer.
    }
  }

  if (!modified) return std::nullopt;
  out.append(w.substr(last));
  return out;
}

std::optional<std::string> replace_separators(std::string_view text) {
  if (!ASCII_SEP_RE().find(text)) return std::nullopt;
  return ASCII_SEP_RE().replace_all(text, " ");
}

}  // namespace sorvane::evaluation::rules::sql_injection::strip
