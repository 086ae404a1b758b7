// JSON tokens with their positions, and the lexer that produces them on demand.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
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

namespace detail {

constexpr std::uint64_t kOnes = 0x0101010101010101;
constexpr std::uint64_t kHigh = 0x8080808080808080;

// The high bit of the first byte of the eight at `s` (as a little-endian word) that ends a
// plain run (printable ASCII but the quotation mark and the backslash), and maybe of later
// ones; 0 when all eight are plain. A byte's high bit is set in `(x - 0x01..) & ~x` when the
// byte of `x` is 0 (or in a byte above one that is: a borrow starts only at a zero byte and
// moves up, so the lowest bit set is always a byte that stops the run); in
// `(word - 0x20..) & ~word` when it is below 0x20 (likewise); in `word` when it is not ASCII.
inline std::uint64_t unplain_bytes(const unsigned char* s) {
  std::uint64_t word;
  std::memcpy(&word, s, sizeof word);
  const std::uint64_t quote = word ^ (kOnes * '"');
  const std::uint64_t backslash = word ^ (kOnes * '\\');
  return (((word - kOnes * 0x20) & ~word) | ((quote - kOnes) & ~quote) |
          ((backslash - kOnes) & ~backslash) | word) &
         kHigh;
}

// Bytes a string may hold without a closer look: printable ASCII but '"' and the backslash.
inline constexpr std::array<bool, 256> kPlainStringByte = [] {
  std::array<bool, 256> table{};
  for (int b = 0x20; b < 0x80; ++b) table[b] = b != '"' && b != '\\';
  return table;
}();

// `plain_run_end` past the first sixteen bytes, out of line: a long run's loop keeps its
// constants in registers of its own.
std::size_t long_plain_run_end(const unsigned char* s, std::size_t p, std::size_t n);

// The end of the run of plain string bytes that starts at `p`, stopping at `n`.
inline std::size_t plain_run_end(const unsigned char* s, std::size_t p, std::size_t n) {
  // A run that ends at once (escapes in a row, an empty string) costs one look.
  if (p < n && !kPlainStringByte[s[p]]) return p;
  if constexpr (std::endian::native == std::endian::little) {
    // Most keys and values end within their first sixteen bytes.
    for (const std::size_t end = p + 16; p + 8 <= n; p += 8) {
      if (p == end) return long_plain_run_end(s, p, n);
      if (const std::uint64_t stops = unplain_bytes(s + p)) {
        return p + static_cast<std::size_t>(std::countr_zero(stops)) / 8;
      }
    }
  }
  while (p < n && kPlainStringByte[s[p]]) ++p;
  return p;
}

inline bool is_digit(unsigned char b) { return b >= '0' && b <= '9'; }

}  // namespace detail

// Tokenizes UTF-8 text one token at a time. Escapes in strings are validated, never decoded.
// The first error is an Invalid token, after which nothing follows. Bytes that are not UTF-8
// never fail by themselves: each stray byte counts as one character (accepted inside strings).
//
// The cursor is a byte offset; characters are counted as the bytes read less the bytes past
// the first of each multi-byte character (`extra_`), which only non-ASCII text changes. The
// common tokens are read inline; errors and rare characters out of line.
class Lexer {
 public:
  explicit Lexer(std::string_view text) : text_(text) {}

  // The next token; absent at the end of the input and after an Invalid token.
  std::optional<Token> next();

  // The same without a copy: the token stays valid until the next call; null at the end.
  const Token* advance() {
    if (finished_) return nullptr;
    const int b = peek();
    switch (b) {
      case kEnd: finished_ = true; return nullptr;
      case '"': return lex_string();
      case '{': return punctuation(TokenType::OpenBrace);
      case '}': return punctuation(TokenType::CloseBrace);
      case '[': return punctuation(TokenType::OpenBracket);
      case ']': return punctuation(TokenType::CloseBracket);
      case ':': return punctuation(TokenType::Colon);
      case ',': return punctuation(TokenType::Comma);
      default: {
        if (const Token* scalar = read_scalar(b)) return scalar;
        return unexpected_character();
      }
    }
  }

  // A parser that knows which token may come reads it with these. What `peek` answers at the
  // end of the input.
  static constexpr int kEnd = -1;

  // Skips the blanks before the next token and answers its first byte (kEnd at the end), where
  // the next token starts.
  int peek() {
    const auto* s = reinterpret_cast<const unsigned char*>(text_.data());
    const std::size_t n = text_.size();
    std::size_t p = pos_;
    for (;;) {
      if (p >= n) {
        pos_ = p;
        return kEnd;
      }
      const unsigned char b = s[p];
      if (b == ' ' || b == '\n' || b == '\t' || b == '\r') {
        ++p;
      } else if (b == 0xEF && p + 2 < n && s[p + 1] == 0xBB && s[p + 2] == 0xBF) {  // U+FEFF
        p += 3;
        extra_ += 2;
      } else {
        pos_ = p;
        mark_pos_ = p;
        mark_extra_ = extra_;
        return b;
      }
    }
  }

  // After `peek` answered one of "{}[]:,": reads that punctuation.
  void take() { ++pos_; }

  // After `peek` answered '"': reads the String token, or answers the Invalid one.
  const Token* read_string() { return lex_string(); }

  // After `peek` answered `b`: the Number, True, False or Null token, or the Invalid one, that
  // starts with `b`; null when no such token starts with `b` (nothing is read).
  const Token* read_scalar(int b) {
    if (b == '-' || (b >= '0' && b <= '9')) return lex_number();
    // A literal whole at once when it is there; else letter by letter for the error.
    if (b == 't' && has_word<4>("true")) return word_token(4, TokenType::True);
    if (b == 'f' && has_word<5>("false")) return word_token(5, TokenType::False);
    if (b == 'n' && has_word<4>("null")) return word_token(4, TokenType::Null);
    if (b == 't' || b == 'f' || b == 'n') return lex_literal(static_cast<unsigned char>(b));
    return nullptr;
  }

  // When the next token is the punctuation `c` (one of "{}[]:,") with no blank before it,
  // reads it as `advance` would and answers true; else reads nothing.
  bool skip_punctuation(char c) {
    if (finished_ || pos_ >= text_.size() || text_[pos_] != c) return false;
    ++pos_;
    return true;
  }

 private:
  // The token being read, ending at the cursor.
  const Token* token(TokenType type) {
    current_.id = type;
    current_.start = mark_pos_ - mark_extra_;
    current_.end = pos_ - extra_;
    current_.byte_start = mark_pos_;
    current_.byte_end = pos_;
    return &current_;
  }

  // Whether the `N` bytes at the cursor are `word`.
  template <std::size_t N>
  bool has_word(const char (&word)[N + 1]) const {
    return text_.size() - pos_ >= N && std::memcmp(text_.data() + pos_, word, N) == 0;
  }

  const Token* word_token(std::size_t length, TokenType type) {
    pos_ += length;
    return token(type);
  }

  const Token* punctuation(TokenType type) {
    ++pos_;
    return token(type);
  }

  // A string whose bytes are plain up to its closing quotation mark is read here; any other
  // byte hands the rest to `lex_string_rest`.
  const Token* lex_string() {
    const auto* s = reinterpret_cast<const unsigned char*>(text_.data());
    const std::size_t n = text_.size();
    const std::size_t p = detail::plain_run_end(s, pos_ + 1, n);
    if (p < n && s[p] == '"') {
      pos_ = p + 1;
      return token(TokenType::String);
    }
    return lex_string_rest(p);
  }

  // A number: an optional minus, '0' or digits, then optionally a point and digits and an
  // exponent mark, an optional sign and digits. The byte that ends it is not read.
  const Token* lex_number() {
    const auto* s = reinterpret_cast<const unsigned char*>(text_.data());
    const std::size_t n = text_.size();
    std::size_t p = pos_;
    auto digits = [&] {
      while (p < n && detail::is_digit(s[p])) ++p;
    };
    // At a place where one digit is needed: the error for the end or for another byte.
    auto needs_digit = [&]() -> const Token* {
      pos_ = p;
      if (p >= n) return unexpected_end();
      if (!detail::is_digit(s[p])) return unexpected_character();
      return nullptr;
    };
    if (s[p] == '-') {
      ++p;
      if (const Token* error = needs_digit()) return error;
    }
    if (s[p++] != '0') digits();
    if (p < n && s[p] == '.') {
      ++p;
      if (const Token* error = needs_digit()) return error;
      digits();
    }
    if (p < n && (s[p] == 'e' || s[p] == 'E')) {
      ++p;
      if (p < n && (s[p] == '+' || s[p] == '-')) ++p;
      if (const Token* error = needs_digit()) return error;
      digits();
    }
    pos_ = p;
    return token(TokenType::Number);
  }

  const Token* lex_string_rest(std::size_t p);
  const Token* lex_literal(unsigned char first);
  const Token* invalid(std::string message);
  // Consumes the character at the cursor and answers the "Unexpected token" error for it.
  const Token* unexpected_character();
  const Token* unexpected_end();
  std::size_t char_length_at(std::size_t pos) const;

  std::string_view text_;
  std::size_t pos_ = 0;          // byte offset of the cursor
  std::size_t extra_ = 0;        // bytes read past the first of each character
  std::size_t mark_pos_ = 0;     // start of the token being read
  std::size_t mark_extra_ = 0;
  bool finished_ = false;
  Token current_;
};

}  // namespace sorvane::json::lexemes
