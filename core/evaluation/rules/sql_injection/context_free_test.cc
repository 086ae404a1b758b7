#include "core/evaluation/rules/sql_injection/context_free.h"

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "core/evaluation/rules/sql_injection/number_parser.h"

namespace sorvane::evaluation::rules::sql_injection::context_free {
namespace {

using ::testing::ElementsAre;

}  // namespace

void PrintTo(const Lexeme& l, std::ostream* os) {
  static const char* const kKinds[] = {"Str", "Number", "Comparator", "Other"};
  *os << kKinds[static_cast<int>(l.kind)] << "(";
  if (l.kind == Lexeme::Kind::Number) *os << l.number;
  else *os << l.text;
  *os << ")";
}

namespace {

TEST(ContextFreeSqlTest, AlwaysTrueComparisons) {
  for (const char* sql :
       {"1=1", "or 1=1", "1 = 1", "'a'='a'", "\"ab\"=\"ab\"", "'a'<>'b'", "'x'!='y'", "'a'!=1",
        "0x1F=31", "b'1'=1", "-1=-1", "1e3=1000", "0.5=.5", "1<2", "1>0", "1>=1", "x=1 or 2>1",
        "1 and 1=1", "AND 1=1 and 1=1", "SELECT * FROM t WHERE name = '' or 1=1",
        "1=1 \xC3\xA0", "a\"b\"=\"b\"", "1\t=\n1", "1 <= 2", "1e999=1e999", "1<>2", "1 ='1' or '1' <> 2"}) {
    EXPECT_TRUE(check_context_free_sql(sql)) << sql;
  }
}

TEST(ContextFreeSqlTest, NoAlwaysTrueComparison) {
  for (const char* sql :
       {"", "abc", "2<1", "1<=0", "1<>1", "'a'=1", "\"a\"='a'", "a=a", "1='1'", "1=='1'", "1==1",
        "1=1;", "1=1--", "0e5=0", "and 1=1", "x and 1=1", "1 2=2", "1=2=2", "' or 1=1",
        "\xC3\xA0=\xC3\xA0", "'a'<'b'", "1!<2", "1 =", "= 1", "1", "'a' = 'a", "1\x0B=\x0B" "2"}) {
    EXPECT_FALSE(check_context_free_sql(sql)) << sql;
  }
}

TEST(ContextFreeSqlTest, Lexemes) {
  EXPECT_THAT(lex("'it''s'"), ElementsAre(Lexeme::str("'it'"), Lexeme::str("'s'")));
  EXPECT_THAT(lex("a\"b\"=\"b\""),
              ElementsAre(Lexeme::str("\"b\""), Lexeme::comparator("="), Lexeme::str("\"b\"")));
  // A single quote inside a token is an ordinary byte; after a comparator that follows a
  // token byte it opens no string either.
  EXPECT_THAT(lex("1='1'"), ElementsAre(Lexeme::num(1), Lexeme::comparator("="),
                                        Lexeme::other("'1'")));
  EXPECT_THAT(lex("1 ='1'"), ElementsAre(Lexeme::num(1), Lexeme::comparator("="),
                                         Lexeme::str("'1'")));
  // Any pair of comparator bytes is one comparator; a third starts the next one.
  EXPECT_THAT(lex("a!!=b"), ElementsAre(Lexeme::other("a"), Lexeme::comparator("!!"),
                                        Lexeme::comparator("="), Lexeme::other("b")));
  // An open string at the end leaves the text after its quote.
  EXPECT_THAT(lex("x 'or 1"), ElementsAre(Lexeme::other("x"), Lexeme::other("or 1")));
  EXPECT_THAT(lex("x '"), ElementsAre(Lexeme::other("x")));
  // The token before a double quote is dropped; quotes and separators inside strings stay.
  EXPECT_THAT(lex("ab\"c' d\"e"), ElementsAre(Lexeme::str("\"c' d\""), Lexeme::other("e")));
  EXPECT_THAT(lex("1=1 \xC2\xA0"), ElementsAre(Lexeme::num(1), Lexeme::comparator("="),
                                               Lexeme::num(1), Lexeme::other("\xC2\xA0")));
}

TEST(ContextFreeSqlTest, LexemeTypes) {
  const double kInf = std::numeric_limits<double>::infinity();
  struct Case {
    std::string text;
    Lexeme expected;
  };
  const std::vector<Case> numbers = {
      {"12", Lexeme::num(12)},
      {"-1", Lexeme::num(-1)},
      {"--1", Lexeme::num(-1)},
      {"+-1", Lexeme::num(-1)},
      {"1.5", Lexeme::num(1.5)},
      {".5", Lexeme::num(0.5)},
      {"0.5", Lexeme::num(0.5)},
      {"5.", Lexeme::num(5)},
      {"1e3", Lexeme::num(1000)},
      {"1E3", Lexeme::num(1000)},
      {"25e-1", Lexeme::num(2.5)},
      {"0", Lexeme::num(0)},
      {"007", Lexeme::num(7)},
      {"0x1F", Lexeme::num(31)},
      {"0x1f", Lexeme::num(31)},
      {"0b101", Lexeme::num(5)},
      {"b'101'", Lexeme::num(5)},
      {"-b'11'", Lexeme::num(-3)},
      {"-0x10", Lexeme::num(-16)},
      {"0x-5", Lexeme::num(-5)},
      {"0-1", Lexeme::num(-1)},
      {"0x7FFFFFFFFFFFFFFF", Lexeme::num(9223372036854775807.0)},
      {"0x-8000000000000000", Lexeme::num(-9223372036854775808.0)},
      {"1e400", Lexeme::num(kInf)},
      {"-1e400", Lexeme::num(-kInf)},
      {"1e99999999999999999999", Lexeme::num(kInf)},
      {"1e-400", Lexeme::num(0)},
      {"0.1", Lexeme::num(0.1)},
      {"9007199254740993", Lexeme::num(9007199254740992.0)},  // ties round to even
      {"2.2250738585072011e-308", Lexeme::num(2.225073858507201e-308)},
  };
  for (const Case& c : numbers) EXPECT_EQ(get_lexeme_type(c.text), c.expected) << c.text;

  for (const char* text : {"0x8000000000000000", "0e5", "0.e1", "0b12", "0x1.5", "1-2", "E",
                           ".", "-", "0x", "0b", "b'", "b'2'", "1e", "1e+", "..5", "1.2.3", "e5",
                           "0x-", "b", "+", "abc", "1a", "inf", "nan", "0X10", "0B1", "1_0",
                           "\xC3\xA0", "!", "<<", "=>",
                           // "+" is a sign only in front
                           "-+1", "1E+3", "0x+5"}) {
    EXPECT_EQ(get_lexeme_type(text), Lexeme::other(text)) << text;
  }
  for (const char* text : {"<", "=", ">", "!=", "<>", "<=", ">="}) {
    EXPECT_EQ(get_lexeme_type(text), Lexeme::comparator(text)) << text;
  }
  EXPECT_EQ(get_lexeme_type(""), Lexeme::other(""));
}

TEST(NumberParserTest, DecimalSyntaxIsExact) {
  using number_parser::parse_decimal;
  for (const char* text : {"", "+", "-", ".", "e1", "1e", "1e-", ".e1", "+-1", "1.5.", "0x10",
                           "inf", "infinity", "nan", " 1", "1 ", "1f", "1.e", "--1"}) {
    EXPECT_FALSE(parse_decimal(text).has_value()) << text;
  }
  EXPECT_EQ(parse_decimal("+1.5"), 1.5);
  EXPECT_EQ(parse_decimal("-.5e1"), -5);
  EXPECT_EQ(parse_decimal("1."), 1);
  EXPECT_EQ(parse_decimal("1.e5"), 100000);
  EXPECT_EQ(parse_decimal("1.7976931348623157e308"), 1.7976931348623157e308);
  EXPECT_EQ(parse_decimal("1.8e308"), std::numeric_limits<double>::infinity());
  EXPECT_EQ(parse_decimal("0e99999999999"), 0);
  EXPECT_EQ(parse_decimal("0.0000000000000000000001e99999999999"),
            std::numeric_limits<double>::infinity());
  EXPECT_EQ(parse_decimal("10000000000000000000000e-99999999999"), 0);
  EXPECT_EQ(parse_decimal("4.9406564584124654e-324"), 4.9406564584124654e-324);
  // Correct rounding at the edges, and the sign kept out of range.
  EXPECT_EQ(parse_decimal("0.1"), 0.1);
  EXPECT_EQ(parse_decimal("2.2250738585072011e-308"), 2.2250738585072011e-308);
  EXPECT_EQ(parse_decimal("9007199254740993"), 9007199254740992.0);
  EXPECT_EQ(parse_decimal("1e-310"), 1e-310);
  EXPECT_EQ(parse_decimal("-1.8e308"), -std::numeric_limits<double>::infinity());
  const std::optional<double> negative_tiny = parse_decimal("-1e-400");
  ASSERT_TRUE(negative_tiny.has_value());
  EXPECT_EQ(*negative_tiny, 0);
  EXPECT_TRUE(std::signbit(*negative_tiny));
}

TEST(NumberParserTest, Integers) {
  using number_parser::parse_integer;
  EXPECT_EQ(parse_integer("101", 2), 5);
  EXPECT_EQ(parse_integer("-101", 2), -5);
  EXPECT_EQ(parse_integer("+aB", 16), 171);
  EXPECT_EQ(parse_integer("111111111111111111111111111111111111111111111111111111111111111", 2),
            std::numeric_limits<std::int64_t>::max());
  EXPECT_EQ(parse_integer("-8000000000000000", 16), std::numeric_limits<std::int64_t>::min());
  for (const char* text : {"", "+", "-", "2", "1 0", "-8000000000000001", "8000000000000000",
                           "10000000000000000", "+-1", "g"}) {
    EXPECT_FALSE(parse_integer(text, text[0] == '2' ? 2 : 16).has_value()) << text;
  }
  EXPECT_FALSE(parse_integer("12", 2).has_value());
}

}  // namespace
}  // namespace sorvane::evaluation::rules::sql_injection::context_free
