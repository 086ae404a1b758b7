// Streaming JSON validator: checks the token sequence against the grammar and reports every
// object key and string value, in document order, with the keys of the enclosing objects.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "core/fatal_error.h"
#include "json/lexemes.h"
#include "json/parse_error.h"

namespace sorvane::json::parser {

enum class ItemKind : std::uint8_t { Key = 0, Value = 1 };

// Receives the key stack (String tokens of the enclosing objects' keys, outermost first),
// the kind and the String token. For a key the stack already ends with that key; arrays add
// nothing to it. Called synchronously from inside `parse`, before the next token is read.
using Callback = std::function<void(std::span<const lexemes::Token> key_stack, ItemKind kind,
                                    const lexemes::Token& token)>;

// Validates the whole text, calling `on_item` as a `Callback` is called; absent on success,
// else the first error. Calls made before an error stand. Builds no tree and decodes nothing:
// memory grows only with the nesting depth. Nesting is tracked with explicit stacks, never by
// recursion. A caller that names its callback's type has it inlined into the token loop.
template <typename OnItem>
std::optional<parse_error::ParseError> parse_items(std::string_view text, OnItem&& on_item);

class Parser {
 public:
  // An empty callback validates only.
  Parser(std::string_view text, Callback callback)
      : text_(text), callback_(callback ? std::move(callback) : [](auto, auto, const auto&) {}) {}

  // Validates the whole text; absent on success, else the first error. Callbacks made before
  // an error stand. Each call starts over from the beginning of the text.
  std::optional<parse_error::ParseError> parse();

 private:
  std::string_view text_;
  Callback callback_;
};

namespace detail {

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

inline State pop_back(std::vector<State>& stack) {
  if (stack.empty()) panic("json parser popped an empty stack");
  const State top = stack.back();
  stack.pop_back();
  return top;
}

// The walk of valid JSON: each token read where the grammar wants it, the byte that starts it
// telling its kind, keys and values reported as the state machine reports them. Answers
// whether the whole text is valid JSON; else stops at the first token (or byte) that valid
// JSON cannot have there, with `reported` calls made, all of which the state machine makes
// first on that text too.
template <typename OnItem>
bool walk_valid(std::string_view text, OnItem& on_item, std::size_t& reported) {
  using lexemes::Lexer;
  using lexemes::Token;
  using lexemes::TokenType;
  Lexer lexer(text);
  // The keys of the enclosing objects are the first `depth` tokens, as in the state machine.
  std::vector<Token> key_stack;
  std::size_t depth = 0;
  // Per open container, outermost first: 1 for an object, 0 for an array.
  std::vector<unsigned char> open;
  auto keys = [&] { return std::span<const Token>(key_stack.data(), depth); };
  int b = 0;

value:
  b = lexer.peek();
  if (b == '"') {
    const Token* token = lexer.read_string();
    if (token->id != TokenType::String) return false;
    ++reported;
    on_item(keys(), ItemKind::Value, *token);
  } else if (b == '{') {
    lexer.take();
    if (lexer.peek() != '}') {
      open.push_back(1);
      goto key;
    }
    lexer.take();
  } else if (b == '[') {
    lexer.take();
    if (lexer.peek() != ']') {
      open.push_back(0);
      goto value;
    }
    lexer.take();
  } else {
    const Token* token = lexer.read_scalar(b);
    if (token == nullptr || token->id == TokenType::Invalid) return false;
  }

after_value:
  if (open.empty()) return lexer.peek() == Lexer::kEnd;
  b = lexer.peek();
  if (b == ',') {
    lexer.take();
    if (open.back() == 0) goto value;
    --depth;
    goto key;
  }
  if (b != (open.back() != 0 ? '}' : ']')) return false;
  lexer.take();
  if (open.back() != 0) --depth;
  open.pop_back();
  goto after_value;

key:
  if (lexer.peek() != '"') return false;
  {
    const Token* token = lexer.read_string();
    if (token->id != TokenType::String) return false;
    if (depth == key_stack.size()) key_stack.emplace_back();
    Token& slot = key_stack[depth++];
    slot.id = token->id;
    slot.start = token->start;
    slot.end = token->end;
    slot.byte_start = token->byte_start;
    slot.byte_end = token->byte_end;
    ++reported;
    on_item(keys(), ItemKind::Key, *token);
  }
  if (lexer.peek() != ':') return false;
  lexer.take();
  goto value;
}

// The state machine over the tokens, for any text.
template <typename OnItem>
std::optional<parse_error::ParseError> run_states(std::string_view text, OnItem& on_item) {
  using lexemes::Token;
  using lexemes::TokenType;
  using parse_error::ParseError;

  lexemes::Lexer lexer(text);
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
    on_item(keys(), ItemKind::Key, key);
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
      state = detail::pop_back(return_stack);
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
              on_item(keys(), ItemKind::Value, token);
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

}  // namespace detail

// Valid JSON takes the walk alone. Other texts are read again by the state machine, which
// decides the error; its first calls, made by the walk already, are not repeated.
template <typename OnItem>
std::optional<parse_error::ParseError> parse_items(std::string_view text, OnItem&& on_item) {
  std::size_t reported = 0;
  if (detail::walk_valid(text, on_item, reported)) return std::nullopt;
  auto rest = [&](std::span<const lexemes::Token> key_stack, ItemKind kind,
                  const lexemes::Token& token) {
    if (reported != 0) {
      --reported;
      return;
    }
    on_item(key_stack, kind, token);
  };
  return detail::run_states(text, rest);
}

}  // namespace sorvane::json::parser
