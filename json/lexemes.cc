#include "json/lexemes.h"

#include <cstdint>

#include <fmt/format.h>

namespace sorvane::json::lexemes {
namespace {

constexpr std::string_view kUnexpectedEnd = "Unexpected end of JSON input";
constexpr std::string_view kInvalidUnicodeEscape = "Invalid Unicode escape sequence";

using detail::is_digit;

bool is_hex_digit(unsigned char b) {
  return is_digit(b) || (b >= 'a' && b <= 'f') || (b >= 'A' && b <= 'F');
}

bool is_continuation(unsigned char b) { return (b & 0xC0) == 0x80; }

}  // namespace

namespace detail {

std::size_t long_plain_run_end(const unsigned char* s, std::size_t p, std::size_t n) {
  for (; p + 8 <= n; p += 8) {
    if (const std::uint64_t stops = unplain_bytes(s + p)) {
      return p + static_cast<std::size_t>(std::countr_zero(stops)) / 8;
    }
  }
  while (p < n && kPlainStringByte[s[p]]) ++p;
  return p;
}

}  // namespace detail

std::string_view token_type_name(TokenType type) {
  switch (type) {
    case TokenType::OpenBrace: return "OpenBrace";
    case TokenType::CloseBrace: return "CloseBrace";
    case TokenType::OpenBracket: return "OpenBracket";
    case TokenType::CloseBracket: return "CloseBracket";
    case TokenType::Colon: return "Colon";
    case TokenType::Comma: return "Comma";
    case TokenType::True: return "True";
    case TokenType::False: return "False";
    case TokenType::Null: return "Null";
    case TokenType::String: return "String";
    case TokenType::Number: return "Number";
    case TokenType::Invalid: return "Invalid";
  }
  return "";
}

std::string debug_text(const Token& token) {
  std::string id(token_type_name(token.id));
  if (token.id == TokenType::Invalid) id += fmt::format("(\"{}\")", token.message);
  return fmt::format("Token {{ id: {}, start: {}, end: {}, byte_start: {}, byte_end: {} }}", id,
                     token.start, token.end, token.byte_start, token.byte_end);
}

// Length of the character at `pos`: a well-formed UTF-8 sequence, or one stray byte.
std::size_t Lexer::char_length_at(std::size_t pos) const {
  const auto lead = static_cast<unsigned char>(text_[pos]);
  std::size_t length = lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : lead < 0xF8 ? 4 : 1;
  if (length == 1 || pos + length > text_.size()) return 1;
  for (std::size_t i = 1; i < length; ++i) {
    if (!is_continuation(static_cast<unsigned char>(text_[pos + i]))) return 1;
  }
  return length;
}

const Token* Lexer::invalid(std::string message) {
  finished_ = true;
  current_.message = std::move(message);
  return token(TokenType::Invalid);
}

const Token* Lexer::unexpected_character() {
  const std::size_t length = char_length_at(pos_);
  const std::string_view character = text_.substr(pos_, length);
  pos_ += length;
  extra_ += length - 1;
  return invalid(
      fmt::format("Unexpected token {} in JSON at position {}", character, pos_ - extra_));
}

const Token* Lexer::unexpected_end() { return invalid(std::string(kUnexpectedEnd)); }

std::optional<Token> Lexer::next() {
  if (const Token* token = advance()) return *token;
  return std::nullopt;
}

// The rest of a string from `p`, the first byte that is not plain.
const Token* Lexer::lex_string_rest(std::size_t p) {
  const auto* s = reinterpret_cast<const unsigned char*>(text_.data());
  const std::size_t n = text_.size();
  for (;; p = detail::plain_run_end(s, p, n)) {
    if (p >= n) {
      pos_ = p;
      return unexpected_end();
    }
    const unsigned char b = s[p];
    if (b == '"') {
      pos_ = p + 1;
      return token(TokenType::String);
    }
    if (b < 0x20) {
      pos_ = p;
      return unexpected_character();
    }
    if (b >= 0x80) {
      const std::size_t length = char_length_at(p);
      p += length;
      extra_ += length - 1;
      continue;
    }
    // Backslash.
    ++p;
    if (p >= n) {
      pos_ = p;
      return unexpected_end();
    }
    switch (s[p]) {
      case '"':
      case '/':
      case '\\':
      case 'b':
      case 'f':
      case 'n':
      case 'r':
      case 't':
        ++p;
        break;
      case 'u':
        ++p;
        for (int i = 0; i < 4; ++i, ++p) {
          if (p >= n) {
            pos_ = p;
            return unexpected_end();
          }
          if (!is_hex_digit(s[p])) {
            pos_ = p;
            return invalid(std::string(kInvalidUnicodeEscape));
          }
        }
        break;
      default:
        pos_ = p;
        return unexpected_character();
    }
  }
}

const Token* Lexer::lex_literal(unsigned char first) {
  const std::string_view word = first == 't' ? "true" : first == 'f' ? "false" : "null";
  const TokenType type = first == 't'   ? TokenType::True
                         : first == 'f' ? TokenType::False
                                        : TokenType::Null;
  const std::size_t n = text_.size();
  ++pos_;  // first letter, already matched
  for (std::size_t i = 1; i < word.size(); ++i) {
    if (pos_ >= n) return unexpected_end();
    if (text_[pos_] != word[i]) return unexpected_character();
    ++pos_;
  }
  return token(type);
}

}  // namespace sorvane::json::lexemes
