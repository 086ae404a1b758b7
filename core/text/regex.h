// The one regular-expression engine of the library: RE2 (linear time) behind a small
// interface. Patterns are compiled once and shared read-only across threads. The engine
// serialises the threads that search with one compiled object on a lock around its
// cache, so the first thread to use an object searches with it and every other thread
// with a copy of its own, compiled on that thread's first use.
//
// Semantics: leftmost-first matching; ^ and $ only at the ends of the whole text (also
// when searching from an offset); the dot matches anything but LF unless (?s); (?i) folds
// Unicode case; an empty alternative matches the empty text. \d is general category Nd,
// \s the White_Space property, \w Alphabetic, marks, Nd, Pc and Join_Control (and \D \S
// \W their complements, inside brackets too). A \b is supported where it stands at the
// very start or the very end of the expression; such an expression answers is_match only
// (the other operations stop with a fatal error), and any other \b does not compile.
// Texts may hold any bytes: invalid UTF-8 never matches a character class or the dot.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/expected.h"

namespace re2 {
class RE2;
}

namespace sorvane::text {

struct Span {
  std::size_t start;  // byte offset of the first byte
  std::size_t end;    // byte offset past the last byte
  bool operator==(const Span&) const = default;
};

class Regex {
 public:
  // Compiles `pattern`; a pattern that does not compile is a fatal internal error.
  explicit Regex(std::string_view pattern);
  ~Regex();
  Regex(Regex&&) noexcept;
  Regex& operator=(Regex&&) noexcept;

  // Compiles `pattern`; on failure, the engine's message.
  static Expected<std::unique_ptr<Regex>, std::string> try_compile(std::string_view pattern);

  const std::string& pattern() const { return source_; }

  // Whether the expression holds a \b and so answers is_match only.
  bool is_match_only() const { return is_match_only_; }

  // Whether the expression matches anywhere in `text` (unanchored).
  bool is_match(std::string_view text) const;

  // The leftmost-first match starting at or after byte `from`.
  std::optional<Span> find(std::string_view text, std::size_t from = 0) const;

  // Successive non-overlapping matches, leftmost-first.
  std::vector<Span> find_all(std::string_view text) const;

  // Every match replaced by `replacement`, inserted literally.
  std::string replace_all(std::string_view text, std::string_view replacement) const;

  // Capture group 1 of a match anchored at the start of `text`; absent when the
  // expression does not match there or the group did not take part.
  std::optional<std::string_view> anchored_capture1(std::string_view text) const;

 private:
  struct Engine;
  Regex() = default;
  std::string source_;
  std::unique_ptr<Engine> engine_;
  bool is_match_only_ = false;

  void require_spans() const;
};

// Several expressions compiled into one program that learns in a single pass over a text
// which of them match anywhere in it (unanchored), with the semantics of Regex::is_match.
// A pass can fail when the engine's memory budget for the program runs out; the answers
// are then absent and the caller asks each expression on its own.
class RegexSet {
 public:
  // Compiles `patterns` in order (index i is patterns[i]); the first failing pattern's
  // message when one does not compile.
  static Expected<std::unique_ptr<RegexSet>, std::string> try_compile(
      std::span<const std::string_view> patterns);
  ~RegexSet();

  std::size_t size() const { return size_; }

  // Whether any of the expressions matches; stops at the first match found.
  std::optional<bool> any_match(std::string_view text) const;

  // The indices of the expressions that match, ascending.
  std::optional<std::vector<std::size_t>> matching(std::string_view text) const;

 private:
  struct Engine;
  RegexSet() = default;
  std::unique_ptr<Engine> engine_;
  std::size_t size_ = 0;
};

}  // namespace sorvane::text
