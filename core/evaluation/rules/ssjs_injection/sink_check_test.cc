#include "core/evaluation/rules/ssjs_injection/sink_check.h"

#include <cstdint>
#include <limits>
#include <string>

#include <gtest/gtest.h>

namespace sorvane::evaluation::rules::ssjs_injection::sink_check {
namespace {

struct Case {
  std::string code;
  std::size_t index;
  std::size_t length;
  bool expected;
};

// The span of the first occurrence of `input` in `code`.
Case span_of(std::string code, std::string_view input, bool expected) {
  const std::size_t index = code.find(input);
  EXPECT_NE(index, std::string::npos) << input << " not in " << code;
  return {std::move(code), index, input.size(), expected};
}

constexpr std::size_t kMaxU32 = std::numeric_limits<std::uint32_t>::max();
constexpr std::size_t kMaxSize = std::numeric_limits<std::size_t>::max();

TEST(SsjsSinkCheck, CheckJsCode) {
  const Case cases[] = {
      // Closing a literal opened before the input.
      {"var x = \"abc\";", 9, 3, false},
      {"var x = \"a\"; evil(); \"\";", 9, 13, true},
      span_of("x = 'a' + y", "a' + y", true),
      span_of("x = `a` + y", "a` + y", true),
      span_of("x = \"a' + y\"", "a' + y", false),  // another quote character does not close
      span_of("x = y + \"a\"", "\"a\"", false),  // the literal opens inside the span
      // Whole code, empty code, empty spans.
      {"f(x)", 0, 4, true},
      {"", 0, 0, true},
      {"f(a(b))", 2, 0, false},
      {"f(a(b))", 0, 0, false},
      {"f(a(b))", 7, 0, false},
      // Parenthesised groups.
      span_of("f(a(b))", "a(b)", true),
      span_of("f(a(b))", "a(b", false),
      span_of("f(INPUT)", "INPUT", false),
      span_of("f(a)(b)", "a)(b", false),  // closes below zero first
      span_of("f(\"(\", 1)", "\"(\", 1)", false),
      // Parenthesis pairs in strings count only after an assignment.
      span_of("x = \"a(b)c\"", "a(b)c", true),
      span_of("x == \"a(b)c\"", "a(b)c", false),
      span_of("x -= \"a(b)c\"", "a(b)c", false),
      span_of("x <= \"a(b)c\"", "a(b)c", false),
      span_of("x === \"a(b)c\"", "a(b)c", false),
      span_of("x **= \"a(b)c\"", "a(b)c", false),
      // ">>>" ends the operator, so the '=' after it is a single one.
      span_of("x >>>= \"a(b)c\"", "a(b)c", true),
      span_of("x += \"a(b)c\"", "a(b)c", true),
      span_of("x != \"a(b)c\"", "a(b)c", true),
      span_of("f = (a) => \"a(b)c\"", "a(b)c", true),
      span_of("f(\"a(b)c\")", "a(b)c", false),
      span_of("var s = `t(1)`", "t(1)", true),
      // Escapes.
      {"x = \"ab\\\\\"; y", 6, 7, true},
      {"x = \"\\\\\" + y", 5, 3, true},
      span_of("x = \"a\\\"b\" + 1", "b\" + 1", true),
      span_of("x = \"a\\\"b\"", "\\\"b", false),  // the escaped quote does not close
      // The character after an operator is handled in the restored frame.
      span_of("a==\"q\";f(1)", "f(1)", true),
      span_of("a==(b)", "(b)", true),
      span_of("a++(b)", "(b)", true),
      span_of("a>>>(b)", "(b)", true),
      span_of("a//\"q\" + b", "q\" + b", true),
      // Multi-byte characters are never mistaken for ASCII.
      span_of("x = \"\xC3\xA9(\xE2\x82\xAC)\"", "\xC3\xA9(\xE2\x82\xAC)", true),
      span_of("x = \"\xC3\xA9\" + y", "\xA9\" + y", true),
      // Spans beyond the code and the largest values.
      {"f(a(b))", 8, 3, false},
      {"f(a(b))", kMaxU32, kMaxU32, false},
      {"f(a(b))", kMaxSize, kMaxSize, false},
      {"f(a(b))", 2, kMaxU32, true},
      {"f(a(b))", 2, kMaxSize, true},
      {"f(a(b", 2, kMaxSize, false},
      {"x = \"a\" + y", 5, kMaxSize, true},
      {"", 1, 0, false},
      {"", 0, 1, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(check_js_code(c.code, c.index, c.length), c.expected)
        << c.code << " (" << c.index << ", " << c.length << ")";
  }
}

// The closing parentheses lie just past the view: a scan that read beyond the code's
// length would find the group complete.
TEST(SsjsSinkCheck, ReadsNothingBeyondTheView) {
  const std::string buffer = "f(a(b))))";
  const std::string_view code(buffer.data(), 5);
  EXPECT_FALSE(check_js_code(code, 2, 4));
  EXPECT_FALSE(check_js_code(code, 2, 100));
  EXPECT_FALSE(check_js_code(code, 2, kMaxSize));
}

}  // namespace
}  // namespace sorvane::evaluation::rules::ssjs_injection::sink_check
