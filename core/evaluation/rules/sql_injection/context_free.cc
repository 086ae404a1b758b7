#include "core/evaluation/rules/sql_injection/context_free.h"

#include <cstdint>

#include "core/evaluation/rules/sql_injection/number_parser.h"
#include "core/text/regex.h"

namespace sorvane::evaluation::rules::sql_injection::context_free {

namespace {

constexpr bool is_separator(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
constexpr bool is_comparator_byte(char c) { return c == '!' || c == '<' || c == '=' || c == '>'; }
constexpr bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Bytes that can start a text matching NUM_RE; other tokens skip the expression.
constexpr bool may_start_number(char c) {
  return is_digit(c) || c == '+' || c == '-' || c == '.' || c == 'E' || c == 'e' || c == 'b';
}

enum class Base { Decimal, Binary, BinaryQuoted, Hex };

Lexeme number_lexeme(std::string_view t) {
  double sign = 1;
  std::size_t k = 0;
  std::size_t i = 0;
  Base base = Base::Decimal;
  while (i < t.size()) {
    const char c = t[i];
    if (c == '+' || c == '-') {
      sign = c == '-' ? -1 : 1;
      ++k;
      ++i;
      continue;
    }
    const bool last = i + 1 == t.size();
    if (c == '0') {
      if (last || is_digit(t[i + 1])) break;
      if (t[i + 1] == 'b') {
        base = Base::Binary;
        break;
      }
      if (t[i + 1] == 'x') {
        base = Base::Hex;
        break;
      }
    } else if (c == 'b') {
      if (last) break;
      if (t[i + 1] == '\'') {
        base = Base::BinaryQuoted;
        break;
      }
    } else {
      break;
    }
    // A "0" or "b" followed by another byte: both pass, only the first counts.
    ++k;
    i += 2;
  }
  if (base == Base::Decimal) {
    const auto value = number_parser::parse_decimal(t.substr(k));
    return value ? Lexeme::num(sign * *value) : Lexeme::other(t);
  }
  std::string_view digits = t.substr(k + 2);
  if (base == Base::BinaryQuoted) digits.remove_suffix(digits.empty() ? 0 : 1);
  const auto value = number_parser::parse_integer(digits, base == Base::Hex ? 16 : 2);
  return value ? Lexeme::num(sign * static_cast<double>(*value)) : Lexeme::other(t);
}

bool equals_and(std::string_view t) {
  return t.size() == 3 && (t[0] | 0x20) == 'a' && (t[1] | 0x20) == 'n' && (t[2] | 0x20) == 'd';
}

bool compare(const Lexeme& left, std::string_view op, const Lexeme& right) {
  const bool both_str = left.kind == Lexeme::Kind::Str && right.kind == Lexeme::Kind::Str;
  const bool both_num = left.kind == Lexeme::Kind::Number && right.kind == Lexeme::Kind::Number;
  if (op == "=") return both_str ? left.text == right.text : both_num && left.number == right.number;
  if (op == "!=" || op == "<>") {
    if (both_str) return left.text != right.text;
    return both_num ? left.number != right.number : true;
  }
  if (!both_num) return false;
  if (op == "<") return left.number < right.number;
  if (op == ">") return left.number > right.number;
  if (op == "<=") return left.number <= right.number;
  if (op == ">=") return left.number >= right.number;
  return false;
}

}  // namespace

const text::Regex& NUM_RE() {
  static const text::Regex re(R"(^(\+|-)?(([0-9.\-Ee]+)|(b'[01]+')|((0[xb])[0-9A-Fa-f.\-Ee]+))$)");
  return re;
}

Lexeme get_lexeme_type(std::string_view t) {
  if (t.empty()) return Lexeme::other(t);
  if (may_start_number(t[0]) && NUM_RE().is_match(t)) return number_lexeme(t);
  if (t.size() == 1 && (t[0] == '<' || t[0] == '=' || t[0] == '>')) return Lexeme::comparator(t);
  if (t == "!=" || t == "<>" || t == "<=" || t == ">=") return Lexeme::comparator(t);
  return Lexeme::other(t);
}

std::vector<Lexeme> lex(std::string_view sql) {
  std::vector<Lexeme> out;
  const std::size_t n = sql.size();
  std::size_t start = 0;
  bool at_token_start = true;
  bool in_string = false;
  char quote = 0;
  std::size_t open = 0;
  auto end_token = [&](std::size_t i) {
    if (start < i) out.push_back(get_lexeme_type(sql.substr(start, i - start)));
  };
  for (std::size_t i = 0; i < n; ++i) {
    const char c = sql[i];
    if (in_string) {
      if (c == quote) {
        out.push_back(Lexeme::str(sql.substr(open, i + 1 - open)));
        in_string = false;
        start = i + 1;
        at_token_start = true;
      }
    } else if (c == '"' || (c == '\'' && at_token_start)) {
      in_string = true;
      quote = c;
      open = i;
    } else if (is_separator(c)) {
      end_token(i);
      start = i + 1;
      at_token_start = true;
    } else if (is_comparator_byte(c)) {
      end_token(i);
      if (i + 1 < n && is_comparator_byte(sql[i + 1])) {
        out.push_back(Lexeme::comparator(sql.substr(i, 2)));
        start = i + 2;
        at_token_start = true;
        ++i;
      } else {
        out.push_back(Lexeme::comparator(sql.substr(i, 1)));
        start = i + 1;
      }
    } else {
      at_token_start = false;
    }
  }
  if (in_string) {
    start = open + 1;
  }
  end_token(n);
  return out;
}

bool check_context_free_sql(std::string_view sql) {
  if (sql.empty()) return false;
  enum class State { Start, HaveLeft, HaveComparator, SkipNext };
  State state = State::Start;
  const Lexeme* left = nullptr;
  std::string_view op;
  const std::vector<Lexeme> lexemes = lex(sql);
  for (const Lexeme& l : lexemes) {
    switch (state) {
      case State::Start:
        if (l.is_literal()) {
          left = &l;
          state = State::HaveLeft;
        } else if (l.kind == Lexeme::Kind::Other && equals_and(l.text)) {
          state = State::SkipNext;
        }
        break;
      case State::SkipNext:
        state = State::Start;
        break;
      case State::HaveLeft:
        if (l.kind == Lexeme::Kind::Comparator) {
          op = l.text;
          state = State::HaveComparator;
        } else {
          state = State::Start;
        }
        break;
      case State::HaveComparator:
        state = State::Start;
        if (l.is_literal() && compare(*left, op, l)) return true;
        break;
    }
  }
  return false;
}

}  // namespace sorvane::evaluation::rules::sql_injection::context_free
