#include "json/parser.h"

#include <cstdint>
#include <string_view>

#include "core/fatal_error.h"

namespace sorvane::json::parser {
namespace {

using lexemes::Token;
using lexemes::TokenType;
using parse_error::ParseError;

enum class State : std::uint8_t {
  ExpectAtom,
  ObjectKeyOrClose,
  ObjectAfterKey,
  ObjectCommaOrClose,
  ObjectNextKey,
  ArrayValueOrClose,
  ArrayCommaOrClose,
  ExpectNothing,
  Failed,
};

template <typename T>
T pop_back(std::vector<T>& stack) {
  if (stack.empty()) panic("json parser popped an empty stack");
  T top = std::move(stack.back());
  stack.pop_back();
  return top;
}

}  // namespace

std::optional<ParseError> Parser::parse() {
  lexemes::Lexer lexer(text_);
  State state = State::ExpectAtom;
  std::string_view failure;  // message of the Failed state
  std::vector<State> return_stack{State::ExpectNothing};
  // The keys of the enclosing objects are the first `depth` tokens; slots past them are kept
  // for reuse, so a key costs no token construction.
  std::vector<Token> key_stack;
  std::size_t depth = 0;
  bool value_complete = false;
  // Wider than any nesting the text can hold, so the counters never overflow.
  std::int64_t open_braces = 0;
  std::int64_t open_brackets = 0;
  std::size_t token_count = 0;

  auto fail = [&](std::string_view message) {
    state = State::Failed;
    failure = message;
  };
  auto keys = [&] { return std::span<const Token>(key_stack.data(), depth); };
  auto accept_key = [&](const Token& key) {
    if (depth == key_stack.size()) key_stack.emplace_back();
    // A key is a String token: its message stays empty.
    Token& slot = key_stack[depth++];
    slot.id = key.id;
    slot.start = key.start;
    slot.end = key.end;
    slot.byte_start = key.byte_start;
    slot.byte_end = key.byte_end;
    state = State::ObjectAfterKey;
    callback_(keys(), ItemKind::Key, key);
    // The colon that nearly always follows, taken as the ObjectAfterKey state takes it.
    if (lexer.skip_punctuation(':')) {
      ++token_count;
      return_stack.push_back(State::ObjectCommaOrClose);
      state = State::ExpectAtom;
    }
  };
  auto pop_key = [&] {
    if (depth == 0) panic("json parser popped an empty stack");
    --depth;
  };
  // A value is complete: the comma that often follows is taken as the next turn of the loop
  // would take it (the state the value returns to, then the comma there).
  auto complete_value = [&] {
    value_complete = true;
    if (return_stack.empty()) return;
    const State back = return_stack.back();
    if (back == State::ArrayCommaOrClose && lexer.skip_punctuation(',')) {
      state = State::ExpectAtom;  // the array's state stays on the stack for the next value
    } else if (back == State::ObjectCommaOrClose && lexer.skip_punctuation(',')) {
      return_stack.pop_back();
      pop_key();
      state = State::ObjectNextKey;
    } else {
      return;
    }
    value_complete = false;
    ++token_count;
  };

  while (const Token* next = lexer.advance()) {
    const Token& token = *next;
    ++token_count;
    if (token.id == TokenType::Invalid) return ParseError(token.message);
    if (value_complete) {
      value_complete = false;
      state = pop_back(return_stack);
    }
    // A value position inside an array hands the same token on to ExpectAtom.
    bool again = true;
    while (again) {
      again = false;
      switch (state) {
        case State::ExpectAtom:
          switch (token.id) {
            case TokenType::OpenBrace:
              ++open_braces;
              state = State::ObjectKeyOrClose;
              break;
            case TokenType::OpenBracket:
              ++open_brackets;
              state = State::ArrayValueOrClose;
              break;
            case TokenType::String:
              callback_(keys(), ItemKind::Value, token);
              complete_value();
              break;
            case TokenType::True:
            case TokenType::False:
            case TokenType::Null:
            case TokenType::Number:
              complete_value();
              break;
            default:
              return ParseError("unexpected @ ExpectAtom");
          }
          break;
        case State::ObjectKeyOrClose:
          if (token.id == TokenType::CloseBrace) {
            --open_braces;
            complete_value();
          } else if (token.id == TokenType::String) {
            accept_key(token);
          } else {
            fail("key or close brace required");
          }
          break;
        case State::ObjectAfterKey:
          if (token.id == TokenType::Colon) {
            return_stack.push_back(State::ObjectCommaOrClose);
            state = State::ExpectAtom;
          } else {
            fail("missing colon");
          }
          break;
        case State::ObjectCommaOrClose:
          if (token.id == TokenType::CloseBrace) {
            --open_braces;
            pop_key();
            complete_value();
          } else if (token.id == TokenType::Comma) {
            pop_key();
            state = State::ObjectNextKey;
          } else {
            fail("expected comma or right brace");
          }
          break;
        case State::ObjectNextKey:
          if (token.id == TokenType::String) {
            accept_key(token);
          } else {
            fail("missing key");
          }
          break;
        case State::ArrayValueOrClose:
          if (token.id == TokenType::CloseBracket) {
            --open_brackets;
            complete_value();
          } else {
            return_stack.push_back(State::ArrayCommaOrClose);
            state = State::ExpectAtom;
            again = true;
          }
          break;
        case State::ArrayCommaOrClose:
          if (token.id == TokenType::CloseBracket) {
            --open_brackets;
            complete_value();
          } else if (token.id == TokenType::Comma) {
            return_stack.push_back(State::ArrayCommaOrClose);
            state = State::ExpectAtom;
          } else {
            fail("expected comma or right bracket");
          }
          break;
        case State::ExpectNothing:
          return ParseError(lexemes::debug_text(token));
        case State::Failed:
          return ParseError(failure);
      }
    }
  }

  // The input has ended: a pending failure or completed value is dropped, the end checks
  // decide.
  if (return_stack.size() != 1 || return_stack.front() != State::ExpectNothing) {
    return ParseError("final state is not ExpectNothing");
  }
  if (open_braces != 0 || open_brackets != 0) return ParseError("unpaired braces/brackets");
  if (token_count == 0) return ParseError("unexpected end of input");
  return std::nullopt;
}

}  // namespace sorvane::json::parser
