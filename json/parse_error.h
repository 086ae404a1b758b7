// The error that ends a JSON validation.
#pragma once

#include <string>
#include <string_view>

namespace sorvane::json::parse_error {

// One of the fixed messages of the lexer and the parser. `details` is the whole display
// text; it may hold a control character or NUL quoted from the input.
class ParseError {
 public:
  explicit ParseError(std::string_view details) : details_(details) {}

  const std::string& details() const noexcept { return details_; }

  bool operator==(const ParseError&) const = default;

 private:
  std::string details_;
};

}  // namespace sorvane::json::parse_error
