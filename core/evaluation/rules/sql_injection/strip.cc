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

  // The openers are the successive matches of COMMENT_RE, found as the literal they are.
  for (std::size_t from = 0;;) {
    const std::size_t a = w.find("/*", from);
    if (a == std::string_view::npos) break;
    from = a + 2;
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

namespace {

bool is_separator(char c) { return c >= '\x1c' && c <= '\x1f'; }

}  // namespace

// The runs that ASCII_SEP_RE matches, found by a byte scan.
std::optional<std::string> replace_separators(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && !is_separator(text[i])) ++i;
  if (i == text.size()) return std::nullopt;
  std::string out(text.substr(0, i));
  out.reserve(text.size());
  while (i < text.size()) {
    if (is_separator(text[i])) {
      out.push_back(' ');
      while (i < text.size() && is_separator(text[i])) ++i;
    } else {
      out.push_back(text[i++]);
    }
  }
  return out;
}

bool may_clean(std::string_view text) {
  if (text.find("/*") != std::string_view::npos) return true;
  for (char c : text) {
    if (is_separator(c)) return true;
  }
  return false;
}

}  // namespace sorvane::evaluation::rules::sql_injection::strip
