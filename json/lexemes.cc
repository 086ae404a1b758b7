#include "json/lexemes.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

#include <fmt/format.h>

namespace sorvane::json::lexemes {
namespace {

constexpr std::string_view kUnexpectedEnd = "Unexpected end of JSON input";
constexpr std::string_view kInvalidUnicodeEscape = "Invalid Unicode escape sequence";

// Bytes a string may hold without a closer look: printable ASCII except '"' and '\'.
constexpr std::array<bool, 256> kPlainStringByte = [] {
  std::array<bool, 256> table{};
  for (int b = 0x20; b < 0x80; ++b) table[b] = b != '"' && b != '\\';
  return table;
}();

constexpr std::uint64_t kOnes = 0x0101010101010101;
constexpr std::uint64_t kHigh = 0x8080808080808080;

// The high bit of each byte of `word` below `n` (at most 0x80), and maybe of some bytes above
// such a byte: a borrow starts only at a byte below `n` and moves up, so the lowest bit set
// is always a byte below `n`.
std::uint64_t bytes_below(std::uint64_t word, std::uint64_t n) {
  return (word - kOnes * n) & ~word & kHigh;
}

// The high bit of the first byte of the eight at `s` (as a little-endian word) that ends a
// plain run, and maybe of later ones; 0 when all eight are plain.
std::uint64_t unplain_bytes(const unsigned char* s) {
  std::uint64_t word;
  std::memcpy(&word, s, sizeof word);
  return (word & kHigh) | bytes_below(word, 0x20) | bytes_below(word ^ (kOnes * '"'), 1) |
         bytes_below(word ^ (kOnes * '\\'), 1);
}

// The length of the run of plain bytes that starts at `p`, stopping at `n`.
std::size_t plain_run(const unsigned char* s, std::size_t p, std::size_t n) {
  const std::size_t start = p;
  // A run that ends at once (escapes in a row, an empty string) costs one look.
  if (p < n && !kPlainStringByte[s[p]]) return 0;
  if constexpr (std::endian::native == std::endian::little) {
    for (; p + 8 <= n; p += 8) {
      if (const std::uint64_t stops = unplain_bytes(s + p)) {
        return p - start + static_cast<std::size_t>(std::countr_zero(stops)) / 8;
      }
    }
  }
  while (p < n && kPlainStringByte[s[p]]) ++p;
  return p - start;
}

bool is_digit(unsigned char b) { return b >= '0' && b <= '9'; }

bool is_hex_digit(unsigned char b) {
  return is_digit(b) || (b >= 'a' && b <= 'f') || (b >= 'A' && b <= 'F');
}

bool is_continuation(unsigned char b) { return (b & 0xC0) == 0x80; }

}  // namespace

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

const Token* Lexer::token(TokenType type) {
  current_.id = type;
  current_.start = mark_chars_;
  current_.end = chars_read_;
  current_.byte_start = mark_pos_;
  current_.byte_end = pos_;
  return &current_;
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
  ++chars_read_;
  return invalid(fmt::format("Unexpected token {} in JSON at position {}", character, chars_read_));
}

const Token* Lexer::unexpected_end() { return invalid(std::string(kUnexpectedEnd)); }

std::optional<Token> Lexer::next() {
  if (const Token* token = advance()) return *token;
  return std::nullopt;
}

const Token* Lexer::advance() {
  if (finished_) return nullptr;
  const auto* s = reinterpret_cast<const unsigned char*>(text_.data());
  const std::size_t n = text_.size();
  for (;;) {
    if (pos_ >= n) {
      finished_ = true;
      return nullptr;
    }
    mark_chars_ = chars_read_;
    mark_pos_ = pos_;
    const unsigned char b = s[pos_];
    auto punctuation = [&](TokenType type) {
      ++pos_;
      ++chars_read_;
      return token(type);
    };
    switch (b) {
      case ' ':
      case '\t':
      case '\n':
      case '\r':
        ++pos_;
        ++chars_read_;
        continue;
      case 0xEF:  // U+FEFF
        if (pos_ + 2 < n && s[pos_ + 1] == 0xBB && s[pos_ + 2] == 0xBF) {
          pos_ += 3;
          ++chars_read_;
          continue;
        }
        return unexpected_character();
      case '{': return punctuation(TokenType::OpenBrace);
      case '}': return punctuation(TokenType::CloseBrace);
      case '[': return punctuation(TokenType::OpenBracket);
      case ']': return punctuation(TokenType::CloseBracket);
      case ':': return punctuation(TokenType::Colon);
      case ',': return punctuation(TokenType::Comma);
      case '"': return lex_string();
      case 't': return lex_literal("true", TokenType::True);
      case 'f': return lex_literal("false", TokenType::False);
      case 'n': return lex_literal("null", TokenType::Null);
      default:
        if (b == '-' || is_digit(b)) return lex_number();
        return unexpected_character();
    }
  }
}

const Token* Lexer::lex_string() {
  const auto* s = reinterpret_cast<const unsigned char*>(text_.data());
  const std::size_t n = text_.size();
  // The cursor and the character count stay in locals until the token ends (read and
  // written one at a time: the members were just stored one at a time).
  std::size_t p = pos_ + 1;  // past the opening quotation mark
  std::size_t chars = chars_read_ + 1;
  auto sync = [&] {
    pos_ = p;
    chars_read_ = chars;
  };
  for (;;) {
    const std::size_t run = plain_run(s, p, n);
    p += run;
    chars += run;
    if (p >= n) {
      sync();
      return unexpected_end();
    }
    const unsigned char b = s[p];
    if (b == '"') {
      ++p;
      ++chars;
      sync();
      return token(TokenType::String);
    }
    if (b < 0x20) {
      sync();
      return unexpected_character();
    }
    if (b >= 0x80) {
      p += char_length_at(p);
      ++chars;
      continue;
    }
    // Backslash.
    ++p;
    ++chars;
    if (p >= n) {
      sync();
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
        ++chars;
        break;
      case 'u':
        ++p;
        ++chars;
        for (int i = 0; i < 4; ++i) {
          if (p >= n) {
            sync();
            return unexpected_end();
          }
          if (!is_hex_digit(s[p])) {
            sync();
            return invalid(std::string(kInvalidUnicodeEscape));
          }
          ++p;
          ++chars;
        }
        break;
      default:
        sync();
        return unexpected_character();
    }
  }
}

const Token* Lexer::lex_literal(std::string_view word, TokenType type) {
  const std::size_t n = text_.size();
  ++pos_;  // first letter, already matched
  ++chars_read_;
  for (std::size_t i = 1; i < word.size(); ++i) {
    if (pos_ >= n) return unexpected_end();
    if (text_[pos_] != word[i]) return unexpected_character();
    ++pos_;
    ++chars_read_;
  }
  return token(type);
}

const Token* Lexer::lex_number() {
  enum class Position {
    AfterMinus,
    LeadingZero,
    IntegerDigits,
    AfterPoint,
    FractionDigits,
    AfterExponentMark,
    AfterExponentSign,
    ExponentDigits,
  };
  const auto* s = reinterpret_cast<const unsigned char*>(text_.data());
  const std::size_t n = text_.size();
  const unsigned char first = s[pos_];
  Position at = first == '-'   ? Position::AfterMinus
                : first == '0' ? Position::LeadingZero
                               : Position::IntegerDigits;
  ++pos_;
  ++chars_read_;
  for (;;) {
    if (pos_ >= n) {
      switch (at) {
        case Position::LeadingZero:
        case Position::IntegerDigits:
        case Position::FractionDigits:
        case Position::ExponentDigits:
          return token(TokenType::Number);
        default:
          return unexpected_end();
      }
    }
    const unsigned char b = s[pos_];
    const bool digit = is_digit(b);
    const bool exponent_mark = b == 'e' || b == 'E';
    // Each position either moves on (consuming `b`), ends the number before `b` (which
    // then starts the next token), or fails at `b`.
    std::optional<Position> to;
    bool fail = false;
    switch (at) {
      case Position::AfterMinus:
        if (digit) to = b == '0' ? Position::LeadingZero : Position::IntegerDigits;
        else fail = true;
        break;
      case Position::LeadingZero:
      case Position::IntegerDigits:
        if (digit && at == Position::IntegerDigits) to = Position::IntegerDigits;
        else if (b == '.') to = Position::AfterPoint;
        else if (exponent_mark) to = Position::AfterExponentMark;
        break;
      case Position::AfterPoint:
        if (digit) to = Position::FractionDigits;
        else fail = true;
        break;
      case Position::FractionDigits:
        if (digit) to = Position::FractionDigits;
        else if (exponent_mark) to = Position::AfterExponentMark;
        break;
      case Position::AfterExponentMark:
        if (digit) to = Position::ExponentDigits;
        else if (b == '+' || b == '-') to = Position::AfterExponentSign;
        else fail = true;
        break;
      case Position::AfterExponentSign:
        if (digit) to = Position::ExponentDigits;
        else fail = true;
        break;
      case Position::ExponentDigits:
        if (digit) to = Position::ExponentDigits;
        break;
    }
    if (fail) return unexpected_character();
    if (!to) return token(TokenType::Number);
    at = *to;
    ++pos_;
    ++chars_read_;
  }
}

}  // namespace sorvane::json::lexemes
