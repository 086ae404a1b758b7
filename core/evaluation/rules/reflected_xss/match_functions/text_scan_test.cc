// The searches shared across the hits of one text must answer exactly what searching
// afresh for every hit answers. Random texts built from the tokens the match functions
// care about compare both, hit by hit in text order as the matcher calls them, and the
// argument analysis against the plain copy-and-replace it stands for. Short texts are
// searched afresh unless told otherwise, so each comparison names both ways.
#include "core/evaluation/rules/reflected_xss/match_functions/text_scan.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "core/evaluation/rules/reflected_xss/match_functions/js_context.h"
#include "core/evaluation/rules/reflected_xss/match_functions/js_string_parser.h"
#include "core/evaluation/rules/reflected_xss/match_functions/match_functions.h"
#include "core/evaluation/rules/reflected_xss/match_functions/plain_for_testing.h"
#include "core/text/unicode.h"
#include "core/text/utf8.h"

namespace sorvane::evaluation::rules::reflected_xss::match_functions {
namespace {

std::vector<std::string> random_texts(const std::vector<std::string>& tokens, int count,
                                      unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_int_distribution<std::size_t> pick(0, tokens.size() - 1);
  std::uniform_int_distribution<int> length(1, 40);
  std::vector<std::string> texts;
  for (int i = 0; i < count; ++i) {
    std::string t;
    for (int n = length(rng); n > 0; --n) t += tokens[pick(rng)];
    texts.push_back(std::move(t));
  }
  return texts;
}

TEST(XssTextScan, SharedSearchesAnswerLikeFreshOnesForCalls) {
  const std::vector<std::string> tokens = {
      "alert", "(", ")", "'", "\"", "`", "+", " ", "\t", "a", "b", "xy", "/*", "*/",
      "?.", "\n", ";", "\r", "\v", "\xC2\xA0", "\xE2\x80\x83", "1", "'+'", "' + '", "'/*c*/+'", "function"};
  for (const std::string& text : random_texts(tokens, 20000, 7)) {
    TextScan shared(text, TextScan::Sharing::Shared);
    TextScan direct(text, TextScan::Sharing::Direct);
    for (std::string_view keyword : {"alert", "function"}) {
      for (std::size_t start : hits_of(text, keyword)) {
        const std::size_t end = start + keyword.size();
        const float got = js_context::is_function_in_js_context(keyword, shared, start, end);
        const float fresh = js_context::is_function_in_js_context(keyword, text, start, end);
        ASSERT_EQ(got, fresh) << text << " @" << start;
        ASSERT_EQ(js_context::is_function_in_js_context(keyword, direct, start, end), got)
            << text << " @" << start;
        // The checks before the name pass when an empty call right after it scores.
        const std::string empty_call = text.substr(0, end) + "()";
        const bool name_passes =
            js_context::is_function_in_js_context(keyword, empty_call, start, end) == 90;
        ASSERT_EQ(got, name_passes ? plain_call_score(text, end) : 0) << text << " @" << start;
      }
    }
  }
}

TEST(XssTextScan, SharedSearchesAnswerLikeFreshOnesForBrackets) {
  const std::vector<std::string> tokens = {
      "window", "[", "]", "'", "\"", "`", "+", " ", "a", "/", "/x/", ".source", "\\",
      "/*", "*/", "//", "\n", "1", ".", "alert", "(", "\xE2\x80\xA8"};
  for (const std::string& text : random_texts(tokens, 20000, 11)) {
    TextScan shared(text, TextScan::Sharing::Shared);
    TextScan direct(text, TextScan::Sharing::Direct);
    for (std::size_t start : hits_of(text, "window")) {
      const float got = is_object_method_call("window", shared, start, start + 6);
      ASSERT_EQ(got, is_object_method_call("window", text, start, start + 6)) << text;
      ASSERT_EQ(got, is_object_method_call("window", direct, start, start + 6)) << text;
    }
    for (std::size_t p = 0; p < text.size(); ++p) {
      if (text[p] != '[') continue;
      const std::size_t fresh =
          js_string_parser::parse_js_string_expression(std::string_view(text).substr(p + 1));
      ASSERT_EQ(js_string_parser::parse_js_string_expression(shared, p + 1), fresh)
          << text << " @" << p;
      ASSERT_EQ(js_string_parser::parse_js_string_expression(direct, p + 1), fresh)
          << text << " @" << p;
    }
  }
}

// Method names and their near misses (letter case, a non-ASCII word character glued on, two
// letters), every kind of whitespace around the dot, the name and the brackets, for objects
// with different lists.
TEST(XssTextScan, ObjectCallsAnswerAsTheExpressionsRead) {
  const std::vector<std::string> tokens = {
      "window", "console", "document", "location", ".", "open", "Open", "log", "al", "reload",
      "window.open(", "console.log`", "location . reload (", "document.write(", "window['",
      "window[ \"a\" ]", ". ", "[ ",
      "write", "alert", "\xC3\xA9", "_", "1", "(", "`", "[", "]", "'a'", "\"b\"", "+", " ", "\t",
      "\n", "\xC2\xA0", "\xE2\x80\xA8", "\xE3\x80\x80", "\xEF\xBB\xBF", "/x/.source", "/*", "*/", "x"};
  std::size_t scored = 0;
  for (const std::string& text : random_texts(tokens, 30000, 13)) {
    TextScan shared(text, TextScan::Sharing::Shared);
    TextScan direct(text, TextScan::Sharing::Direct);
    for (std::string_view keyword : {"window", "console", "document", "location"}) {
      for (std::size_t start : hits_of(text, keyword)) {
        const std::size_t end = start + keyword.size();
        const float expected = plain_object_method_call(keyword, text, end);
        ASSERT_EQ(is_object_method_call(keyword, shared, start, end), expected) << text << " @" << start;
        ASSERT_EQ(is_object_method_call(keyword, direct, start, end), expected) << text << " @" << start;
        scored += expected > 0;
      }
    }
  }
  EXPECT_GT(scored, 2000u);
}

TEST(XssTextScan, OccurrenceMemoAnswersOutOfOrder) {
  const std::string text = "ab*/cd*/ef*/";
  TextScan scan(text, TextScan::Sharing::Shared);
  const std::size_t order[] = {9, 0, 5, 3, 10, 1, 11, 12, 2, 6, 4, 7, 8};
  for (std::size_t from : order) {
    const std::size_t expected = text.find("*/", from);
    EXPECT_EQ(scan.find(TextScan::Needle::CommentEnd, from),
              expected == std::string::npos ? kNone : expected)
        << from;
  }
}

// Every needle on random texts, asked from random offsets in random order (past the end
// too): the first occurrence at or after the offset, as a plain search finds it.
TEST(XssTextScan, NeedlesAnswerLikePlainSearchesInAnyOrder) {
  struct NeedleCase {
    TextScan::Needle needle;
    std::string_view text;
    bool any_of;
  };
  using N = TextScan::Needle;
  const NeedleCase needles[] = {
      {N::CommentEnd, "*/", false}, {N::LineFeed, "\n", false},   {N::Slash, "/", false},
      {N::CloseParen, ")", false},  {N::Backtick, "`", false},    {N::Plus, "+", false},
      {N::AnyQuote, "'\"`", true},  {N::ApostropheStop, "\\'", true},
      {N::DoubleQuoteStop, "\\\"", true}, {N::BacktickStop, "\\`", true}};
  const std::vector<std::string> tokens = {"*", "/", "*/", "**/", "\n", ")", "`", "+", "'",
                                           "\"", "\\", "a", " ", "\xC3\xA9"};
  std::mt19937 rng(23);
  for (const std::string& text : random_texts(tokens, 2000, 29)) {
    TextScan shared(text, TextScan::Sharing::Shared);
    TextScan direct(text, TextScan::Sharing::Direct);
    for (int q = 0; q < 30; ++q) {
      const NeedleCase& n = needles[rng() % std::size(needles)];
      const std::size_t from = rng() % (text.size() + 3);
      const std::string_view view(text);
      std::size_t expected = n.any_of ? view.find_first_of(n.text, from) : view.find(n.text, from);
      if (expected == std::string_view::npos) expected = kNone;
      for (TextScan* scan : {&shared, &direct}) {
        ASSERT_EQ(scan->find(n.needle, from), expected)
            << text << " from " << from << " for " << n.text << " shared " << scan->shared();
      }
    }
  }
}

// Runs of every length around the point where the walk starts to be remembered, asked
// twice for every end, answer like a plain walk back.
TEST(XssTextScan, WhitespaceRunStartForShortAndLongRuns) {
  for (std::size_t run : {0u, 1u, 7u, 8u, 9u, 20u}) {
    for (const std::string ws : {" ", "\t", "\xC2\xA0", "\xE2\x80\x83"}) {
      std::string text = "ab";
      for (std::size_t i = 0; i < run; ++i) text += ws;
      text += "c";
      TextScan shared(text, TextScan::Sharing::Shared);
      TextScan direct(text, TextScan::Sharing::Direct);
      for (int round = 0; round < 2; ++round) {
        for (std::size_t end = text.size(); end-- > 0;) {
          if ((static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) continue;
          std::size_t expected = end;
          while (expected > 0) {
            std::size_t prev = expected;
            if (!text::is_white_space(text::decode_before(text, prev))) break;
            expected = prev;
          }
          ASSERT_EQ(shared.whitespace_run_start(end), expected) << run << " @" << end;
          ASSERT_EQ(direct.whitespace_run_start(end), expected) << run << " @" << end;
        }
      }
    }
  }
}

}  // namespace
}  // namespace sorvane::evaluation::rules::reflected_xss::match_functions
