#include "json/lexemes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace sorvane::json::lexemes {
namespace {

std::vector<Token> tokenize(std::string_view text) {
  std::vector<Token> tokens;
  Lexer lexer(text);
  while (auto token = lexer.next()) tokens.push_back(*token);
  return tokens;
}

Token tok(TokenType id, std::size_t start, std::size_t end, std::size_t byte_start,
          std::size_t byte_end) {
  return Token{id, start, end, byte_start, byte_end, {}};
}

Token invalid(std::string message) {
  Token t;
  t.message = std::move(message);
  return t;
}

// Compares the Invalid token by its message only: its positions are not part of any result.
void expect_tokens(std::string_view text, const std::vector<Token>& expected) {
  SCOPED_TRACE(std::string(text));
  std::vector<Token> actual = tokenize(text);
  ASSERT_EQ(actual.size(), expected.size());
  for (std::size_t i = 0; i < actual.size(); ++i) {
    if (expected[i].id == TokenType::Invalid) {
      EXPECT_EQ(actual[i].id, TokenType::Invalid) << i;
      EXPECT_EQ(actual[i].message, expected[i].message) << i;
    } else {
      EXPECT_EQ(debug_text(actual[i]), debug_text(expected[i])) << i;
    }
  }
}

TEST(JsonLexer, TokensCarryCharacterAndBytePositions) {
  using T = TokenType;
  // "é" is two bytes, "€" three, "😀" four.
  expect_tokens("{\"\xC3\xA9\": [1, -2.5e3,true,false,null]}",
                {tok(T::OpenBrace, 0, 1, 0, 1), tok(T::String, 1, 4, 1, 5),
                 tok(T::Colon, 4, 5, 5, 6), tok(T::OpenBracket, 6, 7, 7, 8),
                 tok(T::Number, 7, 8, 8, 9), tok(T::Comma, 8, 9, 9, 10),
                 tok(T::Number, 10, 16, 11, 17), tok(T::Comma, 16, 17, 17, 18),
                 tok(T::True, 17, 21, 18, 22), tok(T::Comma, 21, 22, 22, 23),
                 tok(T::False, 22, 27, 23, 28), tok(T::Comma, 27, 28, 28, 29),
                 tok(T::Null, 28, 32, 29, 33), tok(T::CloseBracket, 32, 33, 33, 34),
                 tok(T::CloseBrace, 33, 34, 34, 35)});
  expect_tokens("\"\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80\"", {tok(T::String, 0, 5, 0, 11)});
  // U+FEFF is skipped between tokens and counts as one character.
  expect_tokens("\xEF\xBB\xBF\"a\"", {tok(T::String, 1, 4, 3, 6)});
  expect_tokens("[\xEF\xBB\xBF" "1\xEF\xBB\xBF]",
                {tok(T::OpenBracket, 0, 1, 0, 1), tok(T::Number, 2, 3, 4, 5),
                 tok(T::CloseBracket, 4, 5, 8, 9)});
  // The character that ends a number starts the next token at its own position.
  expect_tokens("01", {tok(T::Number, 0, 1, 0, 1), tok(T::Number, 1, 2, 1, 2)});
  expect_tokens("1.5.", {tok(T::Number, 0, 3, 0, 3),
                         invalid("Unexpected token . in JSON at position 4")});
  expect_tokens("-0]", {tok(T::Number, 0, 2, 0, 2), tok(T::CloseBracket, 2, 3, 2, 3)});
  expect_tokens("1e5-", {tok(T::Number, 0, 3, 0, 3),
                         invalid("Unexpected end of JSON input")});
  expect_tokens("0+1", {tok(T::Number, 0, 1, 0, 1),
                        invalid("Unexpected token + in JSON at position 2")});
  expect_tokens("\t\r\n ", {});
  expect_tokens("", {});
}

TEST(JsonLexer, NothingFollowsAnInvalidToken) {
  Lexer lexer("[x]");
  ASSERT_TRUE(lexer.next().has_value());
  auto bad = lexer.next();
  ASSERT_TRUE(bad.has_value());
  EXPECT_EQ(bad->id, TokenType::Invalid);
  EXPECT_FALSE(lexer.next().has_value());
  EXPECT_FALSE(lexer.next().has_value());
}

TEST(JsonLexer, DebugText) {
  EXPECT_EQ(debug_text(tok(TokenType::Comma, 4, 5, 4, 5)),
            "Token { id: Comma, start: 4, end: 5, byte_start: 4, byte_end: 5 }");
  EXPECT_EQ(debug_text(tok(TokenType::CloseBracket, 12, 13, 20, 21)),
            "Token { id: CloseBracket, start: 12, end: 13, byte_start: 20, byte_end: 21 }");
  Token bad = invalid("Unexpected end of JSON input");
  EXPECT_EQ(debug_text(bad),
            "Token { id: Invalid(\"Unexpected end of JSON input\"), start: 0, end: 0, "
            "byte_start: 0, byte_end: 0 }");
}

TEST(JsonLexer, StrayBytesCountAsOneCharacterEach) {
  using T = TokenType;
  // Inside a string every non-ASCII byte is accepted; a truncated sequence does not swallow
  // the closing quotation mark.
  expect_tokens("\"\xE2\x82\"", {tok(T::String, 0, 4, 0, 4)});
  expect_tokens("\"\x80\xFF\"", {tok(T::String, 0, 4, 0, 4)});
  expect_tokens("[\xFF", {tok(T::OpenBracket, 0, 1, 0, 1),
                          invalid("Unexpected token \xFF in JSON at position 2")});
  expect_tokens("\xEF\xBB", {invalid("Unexpected token \xEF in JSON at position 1")});
}

}  // namespace
}  // namespace sorvane::json::lexemes
