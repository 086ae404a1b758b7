// Streaming JSON validator: checks the token sequence against the grammar and reports every
// object key and string value, in document order, with the keys of the enclosing objects.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "json/lexemes.h"
#include "json/parse_error.h"

namespace sorvane::json::parser {

enum class ItemKind : std::uint8_t { Key = 0, Value = 1 };

// Receives the key stack (String tokens of the enclosing objects' keys, outermost first),
// the kind and the String token. For a key the stack already ends with that key; arrays add
// nothing to it. Called synchronously from inside `parse`, before the next token is read.
using Callback = std::function<void(std::span<const lexemes::Token> key_stack, ItemKind kind,
                                    const lexemes::Token& token)>;

// Builds no tree and decodes nothing: memory grows only with the nesting depth. Nesting is
// tracked with explicit stacks, never by recursion.
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

}  // namespace sorvane::json::parser
