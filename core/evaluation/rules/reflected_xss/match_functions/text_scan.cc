#include "core/evaluation/rules/reflected_xss/match_functions/text_scan.h"

#include <array>
#include <iterator>

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

// Per needle of several characters, its bytes as a table: a byte is tested by one load, not
// by a search of the needle's characters for every byte of the text.
using ByteSet = std::array<bool, 256>;
constexpr std::array<ByteSet, std::size(kNeedles)> kNeedleBytes = [] {
  std::array<ByteSet, std::size(kNeedles)> sets{};
  for (std::size_t n = 0; n < std::size(kNeedles); ++n) {
    if (!kNeedles[n].any_of) continue;
    for (char c : kNeedles[n].text) sets[n][static_cast<unsigned char>(c)] = true;
  }
  return sets;
}();

std::size_t first_of(std::string_view text, std::size_t pos, const ByteSet& bytes) {
  for (; pos < text.size(); ++pos) {
    if (bytes[static_cast<unsigned char>(text[pos])]) return pos;
  }
  return kNone;
}

}  // namespace

std::size_t TextScan::find(Needle needle, std::size_t from) {
  const auto index = static_cast<std::size_t>(needle);
  const NeedleText& n = kNeedles[index];
  auto next = [&](std::size_t pos) {
    if (pos >= text_.size()) return kNone;
    if (n.any_of) return first_of(text_, pos, kNeedleBytes[index]);
    // One byte: a byte search, without the comparison of the needle's remaining bytes.
    if (n.text.size() == 1) return find_byte(text_, pos, n.text[0]);
    const std::size_t at = text_.find(n.text, pos);
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
