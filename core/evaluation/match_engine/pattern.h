// Pattern tables: static rows, their compiled form, and the matches they report.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/evaluation/input_type.h"
#include "core/expected.h"
#include "core/text/regex.h"

namespace sorvane::evaluation::rules {

// One matched pattern: its identifier (a bot's name for the bot blocker) and level 0..3.
struct PatternMatch {
  std::string_view id;
  std::uint8_t level = 0;
  bool operator==(const PatternMatch&) const = default;
};

}  // namespace sorvane::evaluation::rules

namespace sorvane::evaluation::match_engine {

using CharList = std::optional<std::span<const char32_t>>;
using ContextList = std::optional<std::span<const std::uint8_t>>;

// A row's character list, written inline as a literal: `chars(U"/\\")`.
template <std::size_t N>
consteval std::span<const char32_t> chars(const char32_t (&list)[N]) {
  return {list, N - 1};
}

// A row's excluded contexts, named: `kContexts<InputType::UriPath, kRefererValue>`.
template <InputType... Types>
inline constexpr std::array<std::uint8_t, sizeof...(Types)> kContexts = {
    static_cast<std::uint8_t>(Types)...};

// One row of a rule's static table.
struct ProtoPattern {
  CharList required_all;
  CharList required_any;
  ContextList excluded_contexts;
  std::string_view id;
  std::string_view regex;
  std::size_t min_len = 0;
  std::uint8_t level = 0;
};

// A compiled row; the lists stay references into the static table.
struct Pattern {
  std::string_view id;
  std::shared_ptr<const text::Regex> regex;
  CharList required_all;
  CharList required_any;
  std::size_t min_len = 0;
  ContextList excluded_contexts;
  std::uint8_t level = 0;
};

struct CompileError {
  std::string_view id;
  std::string message;
};

// Compiles a whole table in order; the first row that fails to compile ends it.
Expected<std::vector<Pattern>, CompileError> convert_proto_regexes(
    std::span<const ProtoPattern> table);

// Like convert_proto_regexes, for a rule's init: a row that fails is a fatal error.
std::vector<Pattern> compile_table_or_panic(std::span<const ProtoPattern> table);

}  // namespace sorvane::evaluation::match_engine
