// The rule against an evaluation written the long way, with none of its short cuts: every
// chain match of the expression, a window counted character by character, comments
// removed by following each opener, separator runs replaced by the expression, and every
// row of the table tried with its own expression after plain pre-filter checks.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "core/evaluation/rules/registry.h"
#include "core/evaluation/rules/input_traits.h"
#include "core/evaluation/rules/sql_injection/sql_injection.h"
#include "core/evaluation/rules/sql_injection/strip.h"
#include "core/text/regex.h"
#include "core/text/utf8.h"
#include "core/evaluation/rules/rule_testing.h"

namespace sorvane::evaluation::rules::sql_injection {
namespace {

constexpr std::uint8_t kParameterValue = 9;

std::size_t step(std::string_view text, std::size_t pos) {
  return std::min(text.size(), pos + text::sequence_length(static_cast<unsigned char>(text[pos])));
}

std::string window_of(std::string_view text, std::size_t chain_start) {
  const std::size_t start = step(text, chain_start);
  std::size_t end = start;
  for (int chars = 0; chars < 64 && end < text.size(); ++chars) end = step(text, end);
  return std::string(text.substr(start, end - start));
}

std::string remove_comments(const std::string& w) {
  enum { None, AfterStar, AfterSlash };
  std::string out;
  std::size_t last = 0;
  bool modified = false;
  int depth = 0;
  for (const text::Span& opener : strip::COMMENT_RE().find_all(w)) {
    const std::size_t a = opener.start;
    if (a < last || a + 2 >= w.size()) continue;
    int pair = None;
    for (std::size_t i = a + 2; i < w.size(); ++i) {
      const auto c = static_cast<unsigned char>(w[i]);
      if (c >= 0x80) continue;
      if (pair == None) {
        pair = c == '*' ? AfterStar : c == '/' ? AfterSlash : None;
      } else if (pair == AfterSlash) {
        if (c == '*') ++depth;
        pair = None;
      } else if (depth > 0) {
        if (c == '/') --depth;
        pair = None;
      } else if (c == '/') {
        if (a < last) return w;
        out += w.substr(last, a - last);
        out += ' ';
        last = i + 1;
        modified = true;
      } else {
        pair = None;
      }
    }
  }
  return modified ? out + w.substr(last) : w;
}

bool row_may_run(const match_engine::ProtoPattern& row, std::size_t len,
                 const InputTraits& traits) {
  if (len < row.min_len) return false;
  if (row.required_all) {
    for (char32_t c : *row.required_all) {
      if (c > 0x7F || !traits.has_char(c)) return false;
    }
  }
  if (row.required_any) {
    bool any = false;
    for (char32_t c : *row.required_any) any = any || (c <= 0x7F && traits.has_char(c));
    if (!any) return false;
  }
  return true;
}

std::optional<std::vector<PatternMatch>> long_way(std::string_view text) {
  static const auto* rows = [] {
    auto* out = new std::vector<std::unique_ptr<text::Regex>>;
    for (const auto& row : SQLI_PATTERNS) out->push_back(std::make_unique<text::Regex>(row.regex));
    return out;
  }();
  const InputTraits traits = compute_input_traits(text, kParameterValue);
  if ((traits.flags & 0xfffb) == 0 || text.size() < 3) return std::nullopt;
  for (const text::Span& chain : CHAIN_CHARS().find_all(text)) {
    const std::string window =
        strip::ASCII_SEP_RE().replace_all(remove_comments(window_of(text, chain.start)), " ");
    if (window.size() < 4) continue;
    std::vector<PatternMatch> found;
    for (std::size_t i = 0; i < SQLI_PATTERNS.size(); ++i) {
      const auto& row = SQLI_PATTERNS[i];
      if (row_may_run(row, window.size(), traits) && (*rows)[i]->is_match(window)) {
        found.push_back({row.id, row.level});
      }
    }
    if (!found.empty()) return found;
  }
  return std::nullopt;
}

std::optional<std::vector<PatternMatch>> rule(std::string_view text) {
  return testing::matches_of(instance(), get_rule_config(3), text,
                             compute_input_traits(text, kParameterValue));
}

// Every character of more than one byte followed by ";": the byte scan opens a chain
// exactly where the expression's Unicode \d does.
TEST(SqlInjectionReference, WideDigitsOpenChainsLikeTheExpression) {
  std::string text;
  for (char32_t c = 0x80; c <= 0x10FFFF; ++c) {
    if (c >= 0xD800 && c <= 0xDFFF) continue;
    text.clear();
    text::append_utf8(text, c);
    text += ';';
    const auto expected = CHAIN_CHARS().find(text);
    ASSERT_EQ(find_chain(text, 0), expected) << std::hex << static_cast<std::uint32_t>(c);
  }
}

// Random texts built to reach the short cuts' edges: runs of one chain character near the
// window length, ending at the text's end or at a character of several bytes; attacks that
// start or end at the 64th character of a window, behind ASCII or wider fillers; cut-off
// and malformed sequences at window ends; comments and separators that only some windows
// hold; long benign prefixes of quoted words, so that the windows outgrow the input.
std::vector<std::string> random_texts(std::size_t count, std::uint32_t seed) {
  const std::vector<std::string> attacks = {
      " or 1=1--", "or 1=1", " union select ", "1 group by", "waitfor delay '0",
      "exec(@x", "@a=(select", ";declare @x", "select * from t", "' and x is null",
      "'||a||'", "(select x(", "load_file(", "drop x;--", "having 1=1", "or/**/1=1",
      "or\x1c" "1=1", "union/*a*/select", "insert into t values(", "update t set a =",
      "coalesce(@@", "end);", "select \"dbo\"", "create function f returns"};
  const std::vector<std::string> fillers = {
      "a", "b", " ", "\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "\xD9\xA1", "1", "=", "("};
  const std::vector<std::string> odd = {
      "\xFF", "\xC3", "\xE2\x82", "\xF0\x9F", "\x80", "\xC0\xAF", "\xED\xA0\x80", "/*", "*/",
      "/", "*", "\x1c", "\x1d\x1e", "\x1f", "..", "))", ")))", "1;", "\xD9\xA1;", ";", "@@"};
  const std::string chain_singles = "'\"@+";
  std::mt19937 rng(seed);
  auto pick = [&](const std::vector<std::string>& v) -> const std::string& {
    return v[rng() % v.size()];
  };
  std::vector<std::string> texts(count);
  for (std::size_t round = 0; round < count; ++round) {
    std::string& text = texts[round];
    if (round % 4 == 0) {
      for (std::size_t i = rng() % 60; i > 0; --i) text += "'ab";
    }
    const std::size_t parts = 1 + rng() % 6;
    for (std::size_t p = 0; p < parts; ++p) {
      switch (rng() % 5) {
        case 0: {  // a run of one chain character around the window length
          const std::size_t n = 60 + rng() % 10 + (rng() % 3 == 0 ? 64 : 0);
          text += std::string(n, chain_singles[rng() % chain_singles.size()]);
          break;
        }
        case 1: {  // an attack that the 64-character limit may cut
          text += chain_singles[rng() % chain_singles.size()];
          const std::string& fill = pick(fillers);
          for (std::size_t i = 50 + rng() % 16; i > 0; --i) text += fill;
          text += pick(attacks);
          break;
        }
        case 2:
          text += pick(odd);
          break;
        case 3:
          text += pick(attacks);
          break;
        default:
          for (std::size_t i = rng() % 5; i > 0; --i) text += pick(fillers);
          break;
      }
    }
    if (rng() % 3 == 0) text += pick(odd);  // a cut-off or malformed end
  }
  return texts;
}

TEST(SqlInjectionReference, RandomTextsAgree) {
  int hits = 0;
  for (const std::string& text : random_texts(4000, 20261210)) {
    const auto expected = long_way(text);
    hits += expected.has_value();
    ASSERT_EQ(rule(text), expected) << text;
  }
  // The texts reach both answers often.
  EXPECT_GT(hits, 1000);
  EXPECT_LT(hits, 3000);
}

// Threads that go over to their own copies of the expressions and of the table's set in the
// middle of a text give the same answers.
TEST(SqlInjectionReference, ThreadsAgree) {
  const std::vector<std::string> texts = random_texts(300, 77);
  std::vector<std::optional<std::vector<PatternMatch>>> expected;
  for (const std::string& text : texts) expected.push_back(long_way(text));
  std::vector<std::size_t> wrong(4, 0);
  std::vector<std::thread> threads;
  for (std::size_t t = 0; t < wrong.size(); ++t) {
    threads.emplace_back([&, t] {
      for (int round = 0; round < 3; ++round) {
        for (std::size_t i = 0; i < texts.size(); ++i) wrong[t] += rule(texts[i]) != expected[i];
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (std::size_t count : wrong) EXPECT_EQ(count, 0u);
}

}  // namespace
}  // namespace sorvane::evaluation::rules::sql_injection
