#include "json/parser.h"

namespace sorvane::json::parser {

std::optional<parse_error::ParseError> Parser::parse() { return parse_items(text_, callback_); }

}  // namespace sorvane::json::parser
