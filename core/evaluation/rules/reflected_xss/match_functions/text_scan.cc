#include "core/evaluation/rules/reflected_xss/match_functions/text_scan.h"

#include "core/text/unicode.h"
#include "core/text/utf8.h"

namespace sorvane::evaluation::rules::reflected_xss::match_functions {
namespace {

struct NeedleText {
  std::string_view text;
  bool any_of;  // any one of the characters, else the whole text
};

constexpr NeedleText kNeedles[] = {
    {"*/", false}, {"\n", false}, {"/", false},   {")", false},    {"`", false},
    {"+", false},  {"'\"`", true}, {"\\'", true}, {"\\\"", true}, {"\\`", true},
};
static_assert(std::size(kNeedles) == static_cast<std::size_t>(TextScan::Needle::Count));

}  // namespace

std::size_t TextScan::find(Needle needle, std::size_t from) {
  const NeedleText& n = kNeedles[static_cast<std::size_t>(needle)];
  return needles_[static_cast<std::size_t>(needle)]
      .find(from,
            [&](std::size_t f, std::size_t limit) {
              if (f >= text_.size()) return Occurrence{};
              // Only occurrences that start before `limit` are wanted.
              const std::size_t reach = n.any_of ? 1 : n.text.size();
              std::string_view window = text_.substr(f);
              if (limit != kNone && limit - f + reach - 1 < window.size()) {
                window = window.substr(0, limit - f + reach - 1);
              }
              const std::size_t at =
                  n.any_of ? window.find_first_of(n.text) : window.find(n.text);
              if (at == std::string_view::npos) return Occurrence{};
              return Occurrence{f + at, f + at + reach};
            })
      .start;
}

std::size_t TextScan::whitespace_run_start(std::size_t end) {
  auto [it, added] = whitespace_runs_.try_emplace(end, end);
  if (added) {
    std::size_t pos = end;
    while (pos > 0) {
      std::size_t prev = pos;
      if (!text::is_white_space(text::decode_before(text_, prev))) break;
      pos = prev;
    }
    it->second = pos;
  }
  return it->second;
}

}  // namespace sorvane::evaluation::rules::reflected_xss::match_functions
