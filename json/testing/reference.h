// Test helper: a plain JSON lexer and parser, one byte and one token at a time, written
// straight from the token rules and the parser's state table, to compare the real ones (word
// loads over strings, punctuation read right after a token, the inlined loop) against: the
// same tokens, callbacks and error messages for any bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "json/lexemes.h"
#include "json/parser.h"

namespace sorvane::json::testing {

class ReferenceLexer {
 public:
  explicit ReferenceLexer(std::string_view text) : text_(text) {}

  std::optional<lexemes::Token> next() {
    using lexemes::TokenType;
    if (finished_) return std::nullopt;
    for (;;) {
      if (pos_ >= text_.size()) {
        finished_ = true;
        return std::nullopt;
      }
      mark_chars_ = chars_;
      mark_pos_ = pos_;
      const unsigned char b = byte(pos_);
      if (b == ' ' || b == '\t' || b == '\n' || b == '\r') {
        consume(1);
        continue;
      }
      if (text_.substr(pos_, 3) == "\xEF\xBB\xBF") {
        consume(3);
        continue;
      }
      switch (b) {
        case '{': consume(1); return token(TokenType::OpenBrace);
        case '}': consume(1); return token(TokenType::CloseBrace);
        case '[': consume(1); return token(TokenType::OpenBracket);
        case ']': consume(1); return token(TokenType::CloseBracket);
        case ':': consume(1); return token(TokenType::Colon);
        case ',': consume(1); return token(TokenType::Comma);
        case '"': return string();
        case 't': return literal("true", TokenType::True);
        case 'f': return literal("false", TokenType::False);
        case 'n': return literal("null", TokenType::Null);
        default:
          if (b == '-' || digit(b)) return number();
          return unexpected();
      }
    }
  }

 private:
  unsigned char byte(std::size_t p) const { return static_cast<unsigned char>(text_[p]); }
  static bool digit(unsigned char b) { return b >= '0' && b <= '9'; }
  static bool hex(unsigned char b) {
    return digit(b) || (b >= 'a' && b <= 'f') || (b >= 'A' && b <= 'F');
  }

  // One character of `bytes` bytes.
  void consume(std::size_t bytes) {
    pos_ += bytes;
    ++chars_;
  }

  std::size_t char_length() const {
    const unsigned char lead = byte(pos_);
    const std::size_t length =
        lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : lead < 0xF8 ? 4 : 1;
    if (pos_ + length > text_.size()) return 1;
    for (std::size_t i = 1; i < length; ++i) {
      if ((byte(pos_ + i) & 0xC0) != 0x80) return 1;
    }
    return length;
  }

  lexemes::Token token(lexemes::TokenType type) {
    lexemes::Token t;
    t.id = type;
    t.start = mark_chars_;
    t.end = chars_;
    t.byte_start = mark_pos_;
    t.byte_end = pos_;
    return t;
  }

  lexemes::Token invalid(std::string message) {
    finished_ = true;
    lexemes::Token t = token(lexemes::TokenType::Invalid);
    t.message = std::move(message);
    return t;
  }

  lexemes::Token unexpected() {
    const std::size_t length = char_length();
    const std::string character(text_.substr(pos_, length));
    consume(length);
    return invalid("Unexpected token " + character + " in JSON at position " +
                   std::to_string(chars_));
  }

  lexemes::Token unexpected_end() { return invalid("Unexpected end of JSON input"); }

  lexemes::Token string() {
    consume(1);
    for (;;) {
      if (pos_ >= text_.size()) return unexpected_end();
      const unsigned char b = byte(pos_);
      if (b == '"') {
        consume(1);
        return token(lexemes::TokenType::String);
      }
      if (b < 0x20) return unexpected();
      if (b != '\\') {
        consume(char_length());
        continue;
      }
      consume(1);
      if (pos_ >= text_.size()) return unexpected_end();
      const unsigned char e = byte(pos_);
      if (e == 'u') {
        consume(1);
        for (int i = 0; i < 4; ++i) {
          if (pos_ >= text_.size()) return unexpected_end();
          if (!hex(byte(pos_))) return invalid("Invalid Unicode escape sequence");
          consume(1);
        }
      } else if (std::string_view("\"/\\bfnrt").find(static_cast<char>(e)) !=
                 std::string_view::npos) {
        consume(1);
      } else {
        return unexpected();
      }
    }
  }

  lexemes::Token literal(std::string_view word, lexemes::TokenType type) {
    for (char c : word) {
      if (pos_ >= text_.size()) return unexpected_end();
      if (text_[pos_] != c) return unexpected();
      consume(1);
    }
    return token(type);
  }

  // The number positions of the token rules, one character at a time.
  lexemes::Token number() {
    // Positions: after minus, after leading zero, integer digits, after point, fraction
    // digits, after exponent mark, after exponent sign, exponent digits. Per position and
    // class of the next character ('0', '1'-'9', '.', 'e' or 'E', '+' or '-', other): the
    // next position, kEnds (the number ends before it) or kFails.
    constexpr int kEnds = -1;
    constexpr int kFails = -2;
    constexpr int kNext[8][6] = {
        {1, 2, kFails, kFails, kFails, kFails},      {kEnds, kEnds, 3, 5, kEnds, kEnds},
        {2, 2, 3, 5, kEnds, kEnds},                  {4, 4, kFails, kFails, kFails, kFails},
        {4, 4, kEnds, 5, kEnds, kEnds},              {7, 7, kFails, kFails, 6, kFails},
        {7, 7, kFails, kFails, kFails, kFails},      {7, 7, kEnds, kEnds, kEnds, kEnds},
    };
    constexpr bool kMayEnd[8] = {false, true, true, false, true, false, false, true};
    const unsigned char first = byte(pos_);
    int at = first == '-' ? 0 : first == '0' ? 1 : 2;
    consume(1);
    for (;;) {
      if (pos_ >= text_.size()) {
        return kMayEnd[at] ? token(lexemes::TokenType::Number) : unexpected_end();
      }
      const unsigned char b = byte(pos_);
      const int column = b == '0'               ? 0
                         : digit(b)             ? 1
                         : b == '.'             ? 2
                         : b == 'e' || b == 'E' ? 3
                         : b == '+' || b == '-' ? 4
                                                : 5;
      const int next = kNext[at][column];
      if (next == kEnds) return token(lexemes::TokenType::Number);
      if (next == kFails) return unexpected();
      at = next;
      consume(1);
    }
  }

  std::string_view text_;
  std::size_t pos_ = 0;
  std::size_t chars_ = 0;
  std::size_t mark_chars_ = 0;
  std::size_t mark_pos_ = 0;
  bool finished_ = false;
};

using ReferenceCallback = std::function<void(std::span<const lexemes::Token> key_stack,
                                             parser::ItemKind kind, const lexemes::Token& token)>;

// The parser's state table, one token per turn.
inline std::optional<parse_error::ParseError> reference_parse(std::string_view text,
                                                              const ReferenceCallback& callback) {
  using lexemes::Token;
  using lexemes::TokenType;
  using parse_error::ParseError;
  enum class S {
    Atom,
    KeyOrClose,
    AfterKey,
    ObjCommaOrClose,
    NextKey,
    ValueOrClose,
    ArrCommaOrClose,
    Nothing,
    Failed,
  };
  ReferenceLexer lexer(text);
  S state = S::Atom;
  std::string failure;
  std::vector<S> returns{S::Nothing};
  std::vector<Token> keys;
  bool complete = false;
  std::int64_t braces = 0;
  std::int64_t brackets = 0;
  std::size_t count = 0;
  while (auto next = lexer.next()) {
    const Token& t = *next;
    ++count;
    if (t.id == TokenType::Invalid) return ParseError(t.message);
    if (complete) {
      complete = false;
      state = returns.back();
      returns.pop_back();
    }
    bool again = true;
    while (again) {
      again = false;
      auto fail = [&](std::string message) {
        state = S::Failed;
        failure = std::move(message);
      };
      switch (state) {
        case S::Atom:
          if (t.id == TokenType::OpenBrace) {
            ++braces;
            state = S::KeyOrClose;
          } else if (t.id == TokenType::OpenBracket) {
            ++brackets;
            state = S::ValueOrClose;
          } else if (t.id == TokenType::String) {
            complete = true;
            callback(keys, parser::ItemKind::Value, t);
          } else if (t.id == TokenType::True || t.id == TokenType::False ||
                     t.id == TokenType::Null || t.id == TokenType::Number) {
            complete = true;
          } else {
            return ParseError("unexpected @ ExpectAtom");
          }
          break;
        case S::KeyOrClose:
        case S::NextKey:
          if (state == S::KeyOrClose && t.id == TokenType::CloseBrace) {
            --braces;
            complete = true;
          } else if (t.id == TokenType::String) {
            keys.push_back(t);
            state = S::AfterKey;
            callback(keys, parser::ItemKind::Key, t);
          } else {
            fail(state == S::KeyOrClose ? "key or close brace required" : "missing key");
          }
          break;
        case S::AfterKey:
          if (t.id == TokenType::Colon) {
            returns.push_back(S::ObjCommaOrClose);
            state = S::Atom;
          } else {
            fail("missing colon");
          }
          break;
        case S::ObjCommaOrClose:
          if (t.id == TokenType::CloseBrace) {
            --braces;
            complete = true;
            keys.pop_back();
          } else if (t.id == TokenType::Comma) {
            keys.pop_back();
            state = S::NextKey;
          } else {
            fail("expected comma or right brace");
          }
          break;
        case S::ValueOrClose:
          if (t.id == TokenType::CloseBracket) {
            --brackets;
            complete = true;
          } else {
            returns.push_back(S::ArrCommaOrClose);
            state = S::Atom;
            again = true;
          }
          break;
        case S::ArrCommaOrClose:
          if (t.id == TokenType::CloseBracket) {
            --brackets;
            complete = true;
          } else if (t.id == TokenType::Comma) {
            returns.push_back(S::ArrCommaOrClose);
            state = S::Atom;
          } else {
            fail("expected comma or right bracket");
          }
          break;
        case S::Nothing:
          return ParseError(lexemes::debug_text(t));
        case S::Failed:
          return ParseError(failure);
      }
    }
  }
  if (returns.size() != 1 || returns.front() != S::Nothing) {
    return ParseError("final state is not ExpectNothing");
  }
  if (braces != 0 || brackets != 0) return ParseError("unpaired braces/brackets");
  if (count == 0) return ParseError("unexpected end of input");
  return std::nullopt;
}

// One call of a parser's callback, whole.
struct Call {
  parser::ItemKind kind;
  lexemes::Token token;
  std::vector<lexemes::Token> keys;
  bool operator==(const Call&) const = default;
};

// The calls and the error of `parse(callback)`, which runs a parser over some text.
template <typename Parse>
std::pair<std::vector<Call>, std::optional<std::string>> calls_and_error(Parse parse) {
  std::vector<Call> calls;
  auto error = parse([&](std::span<const lexemes::Token> keys, parser::ItemKind kind,
                         const lexemes::Token& token) {
    calls.push_back({kind, token, std::vector<lexemes::Token>(keys.begin(), keys.end())});
  });
  return {std::move(calls), error ? std::optional(error->details()) : std::nullopt};
}

}  // namespace sorvane::json::testing
