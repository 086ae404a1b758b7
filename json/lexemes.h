// JSON tokens with their positions, and the lexer that produces them on demand.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace sorvane::json::lexemes {

enum class TokenType : unsigned char {
  OpenBrace,
  CloseBrace,
  OpenBracket,
  CloseBracket,
  Colon,
  Comma,
  True,
  False,
  Null,
  String,
  Number,
  Invalid,
};

// The variant name ("OpenBrace" ... "Invalid").
std::string_view token_type_name(TokenType type);

// A token and where it stands: `start`/`end` count characters (Unicode scalar values) from
// 0, `byte_start`/`byte_end` count bytes; both ends are exclusive. A String token spans
// both quotation marks. `message` is set for Invalid tokens only.
struct Token {
  TokenType id = TokenType::Invalid;
  std::size_t start = 0;
  std::size_t end = 0;
  std::size_t byte_start = 0;
  std::size_t byte_end = 0;
  std::string message;

  bool operator==(const Token&) const = default;
};

// "Token { id: Comma, start: 4, end: 5, byte_start: 4, byte_end: 5 }"; an Invalid id reads
// Invalid("message").
std::string debug_text(const Token& token);

// Tokenizes UTF-8 text one token at a time. Escapes in strings are validated, never decoded.
// The first error is an Invalid token, after which nothing follows. Bytes that are not UTF-8
// never fail by themselves: each stray byte counts as one character (accepted inside strings).
class Lexer {
 public:
  explicit Lexer(std::string_view text) : text_(text) {}

  // The next token; absent at the end of the input and after an Invalid token.
  std::optional<Token> next();

  // The same without a copy: the token stays valid until the next call; null at the end.
  const Token* advance();

  // When the next token is the punctuation `c` (one of "{}[]:,") with no blank before it,
  // reads it as `advance` would and answers true; else reads nothing.
  bool skip_punctuation(char c) {
    if (finished_ || pos_ >= text_.size() || text_[pos_] != c) return false;
    ++pos_;
    ++chars_read_;
    return true;
  }

 private:
  // The token being read, ending at the cursor.
  const Token* token(TokenType type);
  const Token* invalid(std::string message);
  // Consumes the character at the cursor and answers the "Unexpected token" error for it.
  const Token* unexpected_character();
  const Token* unexpected_end();
  const Token* lex_string();
  const Token* lex_number();
  const Token* lex_literal(std::string_view word, TokenType type);
  std::size_t char_length_at(std::size_t pos) const;

  std::string_view text_;
  std::size_t pos_ = 0;         // byte offset of the cursor
  std::size_t chars_read_ = 0;  // characters consumed
  std::size_t mark_chars_ = 0;  // start of the token being read
  std::size_t mark_pos_ = 0;
  bool finished_ = false;
  Token current_;
};

}  // namespace sorvane::json::lexemes
