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
  auto next = [&](std::size_t pos) {
    if (pos >= text_.size()) return kNone;
    const std::size_t at = n.any_of ? text_.find_first_of(n.text, pos) : text_.find(n.text, pos);
    return at == std::string_view::npos ? kNone : at;
  };
  if (!shared_) return next(from);
  return memos().needles[static_cast<std::size_t>(needle)].find(from, next);
}

std::size_t TextScan::whitespace_run_start(std::size_t end) {
  // A short run is walked directly; a longer one is remembered, for the many hits whose
  // pieces may end at it.
  constexpr int kDirectSteps = 8;
  std::size_t pos = end;
  for (int steps = 0; pos > 0; ++steps) {
    if (steps == kDirectSteps && shared_) {
      auto [it, added] = memos().whitespace_runs.try_emplace(end, end);
      if (added) {
        while (pos > 0) {
          std::size_t prev = pos;
          if (!text::is_white_space(text::decode_before(text_, prev))) break;
          pos = prev;
        }
        it->second = pos;
      }
      return it->second;
    }
    std::size_t prev = pos;
    if (!text::is_white_space(text::decode_before(text_, prev))) break;
    pos = prev;
  }
  return pos;
}

}  // namespace sorvane::evaluation::rules::reflected_xss::match_functions
