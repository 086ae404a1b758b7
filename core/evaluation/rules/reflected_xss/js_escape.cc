#include "core/evaluation/rules/reflected_xss/js_escape.h"

#include <cstddef>

#include "core/evaluation/rules/reflected_xss/rewriter.h"
#include "core/fatal_error.h"

namespace sorvane::evaluation::rules::reflected_xss::js_escape {
namespace {

// The digit after a first digit '6' (1-9, a-f) or '7' (0-9, a), in either letter case.
bool is_second_digit(char first, int c) {
  if (first == '6') {
    return (c >= '1' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
  }
  return (c >= '0' && c <= '9') || c == 'a' || c == 'A';
}

struct Escape {
  std::size_t end;
  char first;
  char second;
};

// Recognises the escape that starts with the backslash at `start`.
std::optional<Escape> recognise(std::string_view text, std::size_t start) {
  auto at = [&](std::size_t i) -> int {
    return i < text.size() ? static_cast<unsigned char>(text[i]) : -1;
  };
  std::size_t p = start + 1;
  bool braces = false;
  const int kind = at(p++);
  if (kind == 'u') {
    if (at(p) == '{') {
      braces = true;
      ++p;
      while (at(p) == '0') ++p;
    } else {
      if (at(p) != '0' || at(p + 1) != '0') return std::nullopt;
      p += 2;
    }
  } else if (kind != 'x') {
    return std::nullopt;
  }
  const int first = at(p++);
  if (first != '6' && first != '7') return std::nullopt;
  const int second = at(p++);
  if (second < 0 || !is_second_digit(static_cast<char>(first), second)) return std::nullopt;
  if (braces && at(p++) != '}') return std::nullopt;
  return Escape{p, static_cast<char>(first), static_cast<char>(second)};
}

}  // namespace

char get_char_for_digits(char first, char second) {
  int low;
  if (second >= '0' && second <= '9') {
    low = second - '0';
  } else if (second >= 'a' && second <= 'f') {
    low = second - 'a' + 10;
  } else if (second >= 'A' && second <= 'F') {
    low = second - 'A' + 10;
  } else {
    low = -1;
  }
  if (first == '6') {
    if (low < 1) panic("unexpected first digit");
    return static_cast<char>(0x60 + low);
  }
  if (low < 0 || low > 10) panic("unexpected second digit");
  return static_cast<char>(0x70 + low);
}

std::optional<std::string> unescape_js(std::string_view text) {
  Rewriter out(text);
  std::size_t from = 0;
  for (std::size_t at; (at = text.find('\\', from)) != std::string_view::npos;) {
    from = at + 1;
    if (auto esc = recognise(text, at)) {
      const char letter = get_char_for_digits(esc->first, esc->second);
      out.replace(at, esc->end, std::string_view(&letter, 1));
      // An escape holds no backslash: the next one lies at or after its end.
      from = esc->end;
    }
  }
  return std::move(out).finish();
}

}  // namespace sorvane::evaluation::rules::reflected_xss::js_escape
