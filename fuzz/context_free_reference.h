// A plain version of the context-free SQL check, written from its lexer, number syntax and
// evaluator, with the C library's correctly rounded strtod for decimal numbers.
#pragma once

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
inline bool all_of(std::string_view t, std::string_view set) {
  return !t.empty() && t.find_first_not_of(set) == std::string_view::npos;
}

// ^(\+|-)?(([0-9.\-Ee]+)|(b'[01]+')|((0[xb])[0-9A-Fa-f.\-Ee]+))$
inline bool number_syntax(std::string_view t) {
  auto body = [](std::string_view r) {
    if (all_of(r, "0123456789.-Ee")) return true;
    if (r.size() >= 4 && r.substr(0, 2) == "b'" && r.back() == '\'' &&
        all_of(r.substr(2, r.size() - 3), "01")) {
      return true;
    }
    return (r.substr(0, 2) == "0x" || r.substr(0, 2) == "0b") &&
           all_of(r.substr(2), "0123456789ABCDEFabcdef.-Ee");
  };
  if (body(t)) return true;
  return !t.empty() && (t[0] == '+' || t[0] == '-') && body(t.substr(1));
}

inline std::optional<double> decimal(std::string_view t) {
  std::size_t i = 0;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
  const std::size_t int_start = i;
  while (i < t.size() && digit(t[i])) ++i;
  const bool int_digits = i > int_start;
  if (i < t.size() && t[i] == '.') {
    ++i;
    const std::size_t frac_start = i;
    while (i < t.size() && digit(t[i])) ++i;
    if (!int_digits && i == frac_start) return std::nullopt;
  } else if (!int_digits) {
    return std::nullopt;
  }
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    ++i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    const std::size_t exp_start = i;
    while (i < t.size() && digit(t[i])) ++i;
    if (i == exp_start) return std::nullopt;
  }
  if (i != t.size()) return std::nullopt;
  const std::string copy(t);
  return std::strtod(copy.c_str(), nullptr);
}

inline std::optional<double> integer(std::string_view t, int base) {
  bool negative = false;
  if (!t.empty() && (t[0] == '+' || t[0] == '-')) {
    negative = t[0] == '-';
    t.remove_prefix(1);
  }
  if (t.empty()) return std::nullopt;
  const std::uint64_t limit = negative ? std::uint64_t{1} << 63 : (std::uint64_t{1} << 63) - 1;
  std::uint64_t value = 0;
  for (char c : t) {
    int d = digit(c) ? c - '0' : (c >= 'a' && c <= 'f') ? c - 'a' + 10 : (c >= 'A' && c <= 'F') ? c - 'A' + 10 : 99;
    if (d >= base) return std::nullopt;
    if (value > (limit - static_cast<std::uint64_t>(d)) / static_cast<std::uint64_t>(base)) {
      return std::nullopt;
    }
    value = value * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(d);
  }
  // -2^63 is the one value whose magnitude has no positive counterpart.
  if (negative) return value == (std::uint64_t{1} << 63) ? -9223372036854775808.0 : -static_cast<double>(value);
  return static_cast<double>(value);
}

inline Lexeme lexeme_type(std::string_view t) {
  const std::size_t n = t.size();
  if (n == 0) return Lexeme::other(t);
  if (number_syntax(t)) {
    double sign = 1;
    std::size_t k = 0;
    std::size_t j = 0;
    int base = 10;
    bool quoted = false;
    while (j < n) {
      const char c = t[j];
      if (c == '+' || c == '-') {
        sign = c == '-' ? -1 : 1;
        ++k;
        ++j;
      } else if (c == '0') {
        if (j + 1 == n || digit(t[j + 1])) break;
        if (t[j + 1] == 'b' || t[j + 1] == 'x') {
          base = t[j + 1] == 'b' ? 2 : 16;
          break;
        }
        ++k;
        j += 2;
      } else if (c == 'b') {
        if (j + 1 == n) break;
        if (t[j + 1] == '\'') {
          base = 2;
          quoted = true;
          break;
        }
        ++k;
        j += 2;
      } else {
        break;
      }
    }
    std::optional<double> value;
    if (base == 10) {
      value = decimal(t.substr(std::min(k, n)));
    } else if (k + 2 + (quoted ? 1 : 0) <= n) {
      value = integer(t.substr(k + 2, n - k - 2 - (quoted ? 1 : 0)), base);
    }
    if (value) return Lexeme::num(sign * *value);
    return Lexeme::other(t);
  }
  if ((n == 1 && (t == "<" || t == "=" || t == ">")) ||
      (n == 2 && (t == "!=" || t == "<>" || t == "<=" || t == ">="))) {
    return Lexeme::comparator(t);
  }
  return Lexeme::other(t);
}

inline std::vector<Lexeme> lex(std::string_view sql) {
  auto separator = [](char c) { return (c >= 9 && c <= 13) || c == ' '; };
  auto comparator = [](char c) { return c == '!' || c == '<' || c == '=' || c == '>'; };
  std::vector<Lexeme> out;
  std::size_t start = 0;
  bool at_start = true;
  std::optional<std::size_t> open;  // the opening quote of the string being read
  for (std::size_t i = 0; i < sql.size(); ++i) {
    const char b = sql[i];
    if (open) {
      if (b == sql[*open]) {
        out.push_back(Lexeme::str(sql.substr(*open, i + 1 - *open)));
        open.reset();
        start = i + 1;
        at_start = true;
      }
      continue;
    }
    if (b == '"' || (b == '\'' && at_start)) {
      open = i;
      continue;
    }
    if (separator(b) || comparator(b)) {
      if (start < i) out.push_back(lexeme_type(sql.substr(start, i - start)));
      if (separator(b)) {
        start = i + 1;
        at_start = true;
      } else if (i + 1 < sql.size() && comparator(sql[i + 1])) {
        out.push_back(Lexeme::comparator(sql.substr(i, 2)));
        ++i;
        start = i + 1;
        at_start = true;
      } else {
        out.push_back(Lexeme::comparator(sql.substr(i, 1)));
        start = i + 1;
      }
      continue;
    }
    at_start = false;
  }
  const std::size_t rest = open ? *open + 1 : start;
  if (rest < sql.size()) out.push_back(lexeme_type(sql.substr(rest)));
  return out;
}

inline bool holds(const Lexeme& l, std::string_view op, const Lexeme& r) {
  const bool strings = l.kind == Lexeme::Kind::Str && r.kind == Lexeme::Kind::Str;
  const bool numbers = l.kind == Lexeme::Kind::Number && r.kind == Lexeme::Kind::Number;
  if (op == "=") return strings ? l.text == r.text : numbers && l.number == r.number;
  if (op == "!=" || op == "<>") {
    return strings ? l.text != r.text : numbers ? l.number != r.number : true;
  }
  if (!numbers) return false;
  if (op == "<") return l.number < r.number;
  if (op == ">") return l.number > r.number;
  if (op == "<=") return l.number <= r.number;
  if (op == ">=") return l.number >= r.number;
  return false;
}

inline bool check(std::string_view sql) {
  if (sql.empty()) return false;
  enum class State { Start, HaveLeft, HaveComparator, SkipNext } state = State::Start;
  Lexeme left = Lexeme::other({});
  Lexeme op = Lexeme::other({});
  auto is_and = [](std::string_view t) {
    if (t.size() != 3) return false;
    for (std::size_t i = 0; i < 3; ++i) {
      if ((t[i] | 0x20) != "and"[i]) return false;
    }
    return true;
  };
  for (const Lexeme& lexeme : lex(sql)) {
    switch (state) {
      case State::Start:
        if (lexeme.is_literal()) {
          left = lexeme;
          state = State::HaveLeft;
        } else if (lexeme.kind == Lexeme::Kind::Other && is_and(lexeme.text)) {
          state = State::SkipNext;
        }
        break;
      case State::SkipNext:
        state = State::Start;
        break;
      case State::HaveLeft:
        if (lexeme.kind == Lexeme::Kind::Comparator) {
          op = lexeme;
          state = State::HaveComparator;
        } else {
          state = State::Start;
        }
        break;
      case State::HaveComparator:
        state = State::Start;
        if (lexeme.is_literal() && holds(left, op.text, lexeme)) return true;
        break;
    }
  }
  return false;
}

}  // namespace quenlith_fuzz::context_free_reference
