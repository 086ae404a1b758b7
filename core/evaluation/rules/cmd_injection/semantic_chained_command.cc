#include "core/evaluation/rules/cmd_injection/semantic_chained_command.h"

#include "core/log/log.h"
#include "core/text/utf8.h"

namespace sorvane::evaluation::rules::cmd_injection::semantic_chained_command {

namespace {

constexpr const char* kTarget =
    "sorvane::evaluation::rules::cmd_injection::semantic_chained_command";

enum class State { Normal, SingleQuoted, DoubleQuoted, Comment, Arithmetic };

// Every character tested for is ASCII, so the scan runs over bytes and counts a
// character at each byte that is not a UTF-8 continuation byte.
std::optional<std::size_t> scan(std::string_view command) {
  const std::size_t n = command.size();
  auto byte_at = [&](std::size_t pos) { return pos < n ? command[pos] : '\0'; };

  State state = State::Normal;
  State resume = State::Normal;  // where an arithmetic expansion returns to
  std::size_t index = 0;         // character index of the byte at `pos`
  std::size_t pos = 0;
  while (pos < n) {
    const char c = command[pos];
    const bool substitution = c == '$' && byte_at(pos + 1) == '(';
    const bool arithmetic = substitution && byte_at(pos + 2) == '(';
    std::size_t width = 1;  // bytes (all ASCII when more than one) consumed by this step
    switch (state) {
      case State::Normal:
        if (c == '\n' || c == '&' || c == ';' || c == '<' || c == '>' || c == '`' || c == '|') {
          return index;
        }
        if (arithmetic) {
          width = 3;
          state = State::Arithmetic;
          resume = State::Normal;
        } else if (substitution) {
          return index;
        } else if (c == '"') {
          state = State::DoubleQuoted;
        } else if (c == '#') {
          state = State::Comment;
        } else if (c == '\'') {
          state = State::SingleQuoted;
        }
        break;
      case State::SingleQuoted:
        if (c == '\'') state = State::Normal;
        break;
      case State::DoubleQuoted:
        if (c == '`') return index;
        if (arithmetic) {
          width = 3;
          state = State::Arithmetic;
          resume = State::DoubleQuoted;
        } else if (substitution) {
          return index;
        } else if (c == '"' && (pos == 0 || command[pos - 1] != '\\')) {
          state = State::Normal;
        }
        break;
      case State::Comment:
        if (c == '\n') return index;
        break;
      case State::Arithmetic:
        if (c == '`') return index;
        if (substitution && !arithmetic) return index;
        if (c == '\n') {
          state = State::DoubleQuoted;
        } else if (c == ')' && byte_at(pos + 1) == ')') {
          width = 2;
          state = resume;
        }
        break;
    }
    if (width > 1) {
      pos += width;
      index += width;
    } else {
      ++pos;
      while (pos < n && (static_cast<unsigned char>(command[pos]) & 0xC0) == 0x80) ++pos;
      ++index;
    }
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::size_t> index_of_chaining(std::string_view command) {
  const auto found = scan(command);
  if (found) {
    SORVANE_DEBUG(kTarget, "index_of_chaining - index: {}. command: {}", *found,
                  text::truncate_chars(command, 128));
  } else {
    SORVANE_TRACE(kTarget, "index_of_chaining - result: None. command: {}",
                  text::truncate_chars(command, 128));
  }
  return found;
}

}  // namespace sorvane::evaluation::rules::cmd_injection::semantic_chained_command
