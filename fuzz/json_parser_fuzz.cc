// The JSON lexer and parser on arbitrary bytes: token positions are consistent, callbacks
// come in document order with a matching key stack, a second parse repeats the first, and
// the verdict agrees with a plain recursive JSON grammar; tokens, calls and errors are those
// of the plain lexer and state table of `json/testing/reference.h`.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "json/lexemes.h"
#include "json/parser.h"
#include "json/testing/reference.h"

namespace {

using sorvane::json::lexemes::Lexer;
using sorvane::json::lexemes::Token;
using sorvane::json::lexemes::TokenType;
using sorvane::json::parser::ItemKind;
using sorvane::json::parser::Parser;

// A recursive validator of the same grammar (U+FEFF counts as whitespace between tokens).
class Grammar {
 public:
  explicit Grammar(std::string_view text) : s_(text) {}

  bool valid() {
    if (!value()) return false;
    blanks();
    return p_ == s_.size();
  }

 private:
  bool at(char c) const { return p_ < s_.size() && s_[p_] == c; }
  bool eat(char c) {
    if (!at(c)) return false;
    ++p_;
    return true;
  }
  bool digit() const { return p_ < s_.size() && s_[p_] >= '0' && s_[p_] <= '9'; }
  void blanks() {
    while (p_ < s_.size()) {
      char c = s_[p_];
      if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
        ++p_;
      } else if (s_.substr(p_, 3) == "\xEF\xBB\xBF") {
        p_ += 3;
      } else {
        return;
      }
    }
  }

  // Recursion depth is bounded by the input length, which the caller keeps small.
  bool value() {
    blanks();
    if (p_ >= s_.size()) return false;
    switch (s_[p_]) {
      case '{': return container('}', true);
      case '[': return container(']', false);
      case '"': return string();
      case 't': return word("true");
      case 'f': return word("false");
      case 'n': return word("null");
      default: return number();
    }
  }

  bool container(char close, bool object) {
    ++p_;
    blanks();
    if (eat(close)) return true;
    for (;;) {
      if (object) {
        blanks();
        if (!string()) return false;
        blanks();
        if (!eat(':')) return false;
      }
      if (!value()) return false;
      blanks();
      if (eat(',')) continue;
      return eat(close);
    }
  }

  bool word(std::string_view w) {
    if (s_.substr(p_, w.size()) != w) return false;
    p_ += w.size();
    return true;
  }

  bool string() {
    if (!eat('"')) return false;
    while (p_ < s_.size()) {
      auto c = static_cast<unsigned char>(s_[p_++]);
      if (c == '"') return true;
      if (c < 0x20) return false;
      if (c != '\\') continue;
      if (p_ >= s_.size()) return false;
      char e = s_[p_++];
      if (e == 'u') {
        for (int i = 0; i < 4; ++i, ++p_) {
          if (p_ >= s_.size()) return false;
          char h = s_[p_];
          bool hex = (h >= '0' && h <= '9') || (h >= 'a' && h <= 'f') || (h >= 'A' && h <= 'F');
          if (!hex) return false;
        }
      } else if (std::string_view("\"\\/bfnrt").find(e) == std::string_view::npos) {
        return false;
      }
    }
    return false;
  }

  bool digits() {
    if (!digit()) return false;
    while (digit()) ++p_;
    return true;
  }

  bool number() {
    eat('-');
    if (!eat('0') && !digits()) return false;
    if (eat('.') && !digits()) return false;
    if (eat('e') || eat('E')) {
      if (!eat('+')) eat('-');
      if (!digits()) return false;
    }
    return true;
  }

  std::string_view s_;
  std::size_t p_ = 0;
};

struct Call {
  ItemKind kind;
  Token token;
  std::size_t depth;
  bool operator==(const Call&) const = default;
};


std::vector<Call> parse(std::string_view text, std::optional<std::string>& error) {
  std::vector<Call> calls;
  Parser parser(text, [&](std::span<const Token> keys, ItemKind kind, const Token& token) {
    FUZZ_CHECK(token.id == TokenType::String);
    FUZZ_CHECK(calls.empty() || calls.back().token.byte_end <= token.byte_start);
    if (kind == ItemKind::Key) FUZZ_CHECK(!keys.empty() && keys.back() == token);
    for (std::size_t i = 0; i < keys.size(); ++i) {
      FUZZ_CHECK(keys[i].id == TokenType::String);
      FUZZ_CHECK(keys[i].byte_start <= token.byte_start);
      if (i > 0) FUZZ_CHECK(keys[i - 1].byte_end <= keys[i].byte_start);
    }
    calls.push_back({kind, token, keys.size()});
  });
  auto result = parser.parse();
  if (result) {
    FUZZ_CHECK(!result->details().empty());
    error = result->details();
  }
  return calls;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const bool utf8 = quenlith_fuzz::is_text(text);

  // The lexer: tokens follow each other, lie inside the text, and only the last may be
  // Invalid. Character positions are checked where characters are well defined.
  std::vector<Token> strings;
  bool lexed_whole = true;
  {
    Lexer lexer(text);
    std::size_t previous_end = 0;
    std::size_t previous_char_end = 0;
    while (auto token = lexer.next()) {
      if (token->id == TokenType::Invalid) {
        FUZZ_CHECK(!token->message.empty());
        FUZZ_CHECK(!lexer.next());
        lexed_whole = false;
        break;
      }
      FUZZ_CHECK(previous_end <= token->byte_start && token->byte_start < token->byte_end);
      FUZZ_CHECK(token->byte_end <= size);
      FUZZ_CHECK(previous_char_end <= token->start && token->start < token->end);
      FUZZ_CHECK(token->end - token->start <= token->byte_end - token->byte_start);
      if (utf8) {
        FUZZ_CHECK(token->start == previous_char_end + sorvane::text::char_count(text.substr(
                                       previous_end, token->byte_start - previous_end)));
        FUZZ_CHECK(token->end - token->start ==
                   sorvane::text::char_count(text.substr(
                       token->byte_start, token->byte_end - token->byte_start)));
      }
      if (token->id == TokenType::String) {
        FUZZ_CHECK(token->byte_end - token->byte_start >= 2);
        FUZZ_CHECK(text[token->byte_start] == '"' && text[token->byte_end - 1] == '"');
        strings.push_back(*token);
      }
      previous_end = token->byte_end;
      previous_char_end = token->end;
    }
  }

  // The parser: repeatable, and on success every String token is reported once, in order.
  std::optional<std::string> first_error;
  std::optional<std::string> second_error;
  auto calls = parse(text, first_error);
  FUZZ_CHECK(calls == parse(text, second_error));
  FUZZ_CHECK(first_error == second_error);
  if (!first_error) {
    FUZZ_CHECK(lexed_whole);
    FUZZ_CHECK(calls.size() == strings.size());
    for (std::size_t i = 0; i < calls.size(); ++i) FUZZ_CHECK(calls[i].token == strings[i]);
  }
  if (size <= 4096) FUZZ_CHECK(!first_error == Grammar(text).valid());

  {
    Lexer lexer(text);
    sorvane::json::testing::ReferenceLexer reference(text);
    for (;;) {
      const auto token = lexer.next();
      FUZZ_CHECK(token == reference.next());
      if (!token) break;
    }
  }
  const auto expected = sorvane::json::testing::calls_and_error(
      [&](auto on_item) { return sorvane::json::testing::reference_parse(text, on_item); });
  FUZZ_CHECK(sorvane::json::testing::calls_and_error([&](auto on_item) {
               return sorvane::json::parser::parse_items(text, on_item);
             }) == expected);
  return 0;
}
