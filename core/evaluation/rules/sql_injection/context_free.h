// The context-free SQL check: does a whole SQL text hold an always-true comparison
// between two literals ("1=1", "'a'='a'", "2>1"), wherever a user input may lie in it?
#pragma once

#include <string_view>
#include <vector>

namespace sorvane::text {
class Regex;
}

namespace sorvane::evaluation::rules::sql_injection::context_free {

// One lexeme of the text. `text` is a slice of the analysed text (for a string, with
// both quotes); `number` is the value of a Number.
struct Lexeme {
  enum class Kind { Str, Number, Comparator, Other };
  Kind kind;
  std::string_view text;
  double number = 0;

  static Lexeme str(std::string_view t) { return {Kind::Str, t}; }
  static Lexeme num(double v) { return {Kind::Number, {}, v}; }
  static Lexeme comparator(std::string_view t) { return {Kind::Comparator, t}; }
  static Lexeme other(std::string_view t) { return {Kind::Other, t}; }

  bool is_literal() const { return kind == Kind::Str || kind == Kind::Number; }
  bool operator==(const Lexeme& o) const {
    return kind == o.kind && (kind == Kind::Number ? number == o.number : text == o.text);
  }
};

// The syntax a token must match in full to be read as a number; built once on first use.
const text::Regex& NUM_RE();

// The lexeme of one unquoted token: Number, Comparator or Other.
Lexeme get_lexeme_type(std::string_view text);

// Splits `sql` into lexemes (separators are TAB..CR and SPACE; "!", "<", "=", ">" form
// comparators of one or two bytes; quotes open strings without escapes).
std::vector<Lexeme> lex(std::string_view sql);

// Whether `sql` holds a literal, a comparator and a literal whose comparison holds.
bool check_context_free_sql(std::string_view sql);

}  // namespace sorvane::evaluation::rules::sql_injection::context_free
