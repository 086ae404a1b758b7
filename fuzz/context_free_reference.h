// A second version of the context-free SQL check, written from its description with other
// means than the library's: the lexer cuts the text into chunks with searches instead of
// a byte loop with flags, the number syntax is checked by hand instead of by the
// expression, decimals go through the C library's strtod and integers through
// std::from_chars, and the evaluator matches "literal comparator literal" windows over
// the lexeme list instead of running a state machine.
#pragma once

#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/evaluation/rules/sql_injection/context_free.h"

namespace quenlith_fuzz::context_free_reference {

using Lexeme = sorvane::evaluation::rules::sql_injection::context_free::Lexeme;

inline bool digit(char c) { return c >= '0' && c <= '9'; }
inline bool made_of(std::string_view t, std::string_view set) {
  return !t.empty() && t.find_first_not_of(set) == std::string_view::npos;
}
inline bool starts(std::string_view t, std::string_view prefix) {
  return t.substr(0, prefix.size()) == prefix;
}

// In full: an optional sign, then decimal-looking bytes, b'<bits>' or 0x / 0b followed
// by hexadecimal-looking bytes.
inline bool number_syntax(std::string_view t) {
  auto body = [](std::string_view r) {
    if (made_of(r, "0123456789.-Ee")) return true;
    if (r.size() >= 4 && starts(r, "b'") && r.back() == '\'' &&
        made_of(r.substr(2, r.size() - 3), "01")) {
      return true;
    }
    return (starts(r, "0x") || starts(r, "0b")) && made_of(r.substr(2), "0123456789ABCDEFabcdef.-Ee");
  };
  return body(t) || ((starts(t, "+") || starts(t, "-")) && body(t.substr(1)));
}

// Whether `t` is an optional sign, digits with an optional fraction or a fraction alone,
// and an optional exponent: checked by cutting it into those parts.
inline bool decimal_syntax(std::string_view t) {
  if (starts(t, "+") || starts(t, "-")) t.remove_prefix(1);
  const std::size_t e = t.find_first_of("eE");
  std::string_view mantissa = t.substr(0, e);
  if (e != std::string_view::npos) {
    std::string_view exponent = t.substr(e + 1);
    if (starts(exponent, "+") || starts(exponent, "-")) exponent.remove_prefix(1);
    if (!made_of(exponent, "0123456789")) return false;
  }
  const std::size_t dot = mantissa.find('.');
  const std::string_view whole = mantissa.substr(0, dot);
  const std::string_view fraction =
      dot == std::string_view::npos ? std::string_view() : mantissa.substr(dot + 1);
  if (!whole.empty() && !made_of(whole, "0123456789")) return false;
  if (!fraction.empty() && !made_of(fraction, "0123456789")) return false;
  return !whole.empty() || !fraction.empty();
}

inline std::optional<double> decimal(std::string_view t) {
  if (!decimal_syntax(t)) return std::nullopt;
  const std::string copy(t);
  return std::strtod(copy.c_str(), nullptr);
}

inline std::optional<double> integer(std::string_view t, int base) {
  if (starts(t, "+")) {
    t.remove_prefix(1);
    if (starts(t, "-")) return std::nullopt;
  }
  std::int64_t value = 0;
  const auto [end, error] = std::from_chars(t.data(), t.data() + t.size(), value, base);
  if (error != std::errc() || end != t.data() + t.size()) return std::nullopt;
  return static_cast<double>(value);
}

// The prefix before a number's digits: the sign its last sign byte gives, where the digits
// start (each sign byte and each skipped "0?" or "b?" pair moves it by one byte), and the
// base the prefix announces.
struct Prefix {
  double sign = 1;
  std::size_t digits_from = 0;
  int base = 10;
  bool quoted = false;
};

inline Prefix read_prefix(std::string_view t, std::size_t at, Prefix so_far) {
  if (at >= t.size()) return so_far;
  const char c = t[at];
  const bool has_next = at + 1 < t.size();
  const char next = has_next ? t[at + 1] : '\0';
  if (c == '+' || c == '-') {
    so_far.sign = c == '-' ? -1 : 1;
    ++so_far.digits_from;
    return read_prefix(t, at + 1, so_far);
  }
  if (c == '0' && has_next && !digit(next)) {
    if (next == 'b' || next == 'x') {
      so_far.base = next == 'b' ? 2 : 16;
      return so_far;
    }
    ++so_far.digits_from;
    return read_prefix(t, at + 2, so_far);
  }
  if (c == 'b' && has_next) {
    if (next == '\'') {
      so_far.base = 2;
      so_far.quoted = true;
      return so_far;
    }
    ++so_far.digits_from;
    return read_prefix(t, at + 2, so_far);
  }
  return so_far;
}

inline Lexeme lexeme_type(std::string_view t) {
  if (t.empty()) return Lexeme::other(t);
  if (number_syntax(t)) {
    const Prefix p = read_prefix(t, 0, Prefix{});
    std::optional<double> value;
    if (p.base == 10) {
      value = decimal(t.substr(p.digits_from));
    } else {
      std::string_view digits = t.substr(p.digits_from + 2);
      if (p.quoted && !digits.empty()) digits.remove_suffix(1);
      value = integer(digits, p.base);
    }
    return value ? Lexeme::num(p.sign * *value) : Lexeme::other(t);
  }
  for (std::string_view c : {"<", "=", ">", "!=", "<>", "<=", ">="}) {
    if (t == c) return Lexeme::comparator(t);
  }
  return Lexeme::other(t);
}

inline std::vector<Lexeme> lex(std::string_view sql) {
  constexpr std::string_view kSeparators = "\t\n\v\f\r ";
  constexpr std::string_view kComparators = "!<=>";
  auto is_comparator = [&](char c) { return kComparators.find(c) != std::string_view::npos; };
  std::vector<Lexeme> out;
  std::size_t at = 0;
  bool fresh = true;  // nothing of a token read since the last separator, string or pair
  while (at < sql.size()) {
    const char c = sql[at];
    if (c == '"' || (c == '\'' && fresh)) {
      const std::size_t close = sql.find(c, at + 1);
      if (close == std::string_view::npos) {
        if (at + 1 < sql.size()) out.push_back(lexeme_type(sql.substr(at + 1)));
        return out;
      }
      out.push_back(Lexeme::str(sql.substr(at, close + 1 - at)));
      at = close + 1;
      fresh = true;
    } else if (kSeparators.find(c) != std::string_view::npos) {
      ++at;
      fresh = true;
    } else if (is_comparator(c)) {
      const bool pair = at + 1 < sql.size() && is_comparator(sql[at + 1]);
      out.push_back(Lexeme::comparator(sql.substr(at, pair ? 2 : 1)));
      at += pair ? 2 : 1;
      if (pair) fresh = true;
    } else {
      // A token runs up to a separator, a comparator byte or a double quote; one cut
      // short by a double quote is dropped, as the string opens.
      const std::size_t end = sql.find_first_of("\t\n\v\f\r !<=>\"", at + 1);
      const std::string_view token = sql.substr(at, end == std::string_view::npos ? end : end - at);
      if (end == std::string_view::npos || sql[end] != '"') out.push_back(lexeme_type(token));
      at = end == std::string_view::npos ? sql.size() : end;
      fresh = false;
    }
  }
  return out;
}

inline bool holds(const Lexeme& l, std::string_view op, const Lexeme& r) {
  using Kind = Lexeme::Kind;
  if (l.kind != r.kind) return op == "!=" || op == "<>";
  if (l.kind == Kind::Str) {
    if (op == "=") return l.text == r.text;
    if (op == "!=" || op == "<>") return l.text != r.text;
    return false;
  }
  const double a = l.number, b = r.number;
  if (op == "=") return a == b;
  if (op == "!=" || op == "<>") return a != b;
  if (op == "<") return a < b;
  if (op == ">") return a > b;
  if (op == "<=") return a <= b;
  if (op == ">=") return a >= b;
  return false;
}

inline bool check(std::string_view sql) {
  const std::vector<Lexeme> all = lex(sql);
  auto literal = [](const Lexeme& l) {
    return l.kind == Lexeme::Kind::Str || l.kind == Lexeme::Kind::Number;
  };
  auto is_and = [](const Lexeme& l) {
    if (l.kind != Lexeme::Kind::Other || l.text.size() != 3) return false;
    std::string lower(l.text);
    for (char& c : lower) c = static_cast<char>(c | 0x20);
    return lower == "and";
  };
  std::size_t i = 0;
  while (i < all.size()) {
    if (literal(all[i])) {
      // A literal takes the lexeme after it; after a comparator, the one after that too.
      if (i + 1 < all.size() && all[i + 1].kind == Lexeme::Kind::Comparator) {
        if (i + 2 < all.size() && literal(all[i + 2]) && holds(all[i], all[i + 1].text, all[i + 2])) {
          return true;
        }
        i += 3;
      } else {
        i += 2;
      }
    } else if (is_and(all[i])) {
      i += 2;
    } else {
      i += 1;
    }
  }
  return false;
}

}  // namespace quenlith_fuzz::context_free_reference
