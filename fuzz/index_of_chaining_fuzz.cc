// The chaining search on arbitrary commands: it answers what a plain scan written from the
// state list answers; an answer is the index of a chaining character or of the "$" of "$(",
// and the command cut two characters after it gives the same answer.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "core/evaluation/rules/cmd_injection/semantic_chained_command.h"
#include "core/text/utf8.h"
#include "fuzz/fuzz_input.h"

using sorvane::evaluation::rules::cmd_injection::semantic_chained_command::index_of_chaining;

namespace {

std::optional<std::size_t> reference_index(std::string_view command) {
  enum class State { Normal, SingleQuoted, DoubleQuoted, Comment, Arithmetic };
  std::vector<char32_t> c;
  for (std::size_t pos = 0; pos < command.size();) c.push_back(sorvane::text::decode_at(command, pos));
  auto at = [&](std::size_t i) -> char32_t { return i < c.size() ? c[i] : 0; };
  State state = State::Normal;
  State resume = State::Normal;
  for (std::size_t i = 0; i < c.size();) {
    const bool substitution = c[i] == '$' && at(i + 1) == '(';
    const bool arithmetic = substitution && at(i + 2) == '(';
    // "$(" outside quotes and in double quotes ("$((" opens arithmetic there).
    if (substitution && (state == State::Normal || state == State::DoubleQuoted)) {
      if (!arithmetic) return i;
      resume = state;
      state = State::Arithmetic;
      i += 3;
      continue;
    }
    switch (state) {
      case State::Normal:
        if (std::u32string_view(U"\n&;<>`|").find(c[i]) != std::u32string_view::npos) return i;
        if (c[i] == '"') state = State::DoubleQuoted;
        else if (c[i] == '#') state = State::Comment;
        else if (c[i] == '\'') state = State::SingleQuoted;
        break;
      case State::SingleQuoted:
        if (c[i] == '\'') state = State::Normal;
        break;
      case State::DoubleQuoted:
        if (c[i] == '`') return i;
        if (c[i] == '"' && !(i > 0 && c[i - 1] == '\\')) state = State::Normal;
        break;
      case State::Comment:
        if (c[i] == '\n') return i;
        break;
      case State::Arithmetic:
        if (c[i] == '`') return i;
        if (substitution && !arithmetic) return i;
        if (c[i] == '\n') {
          state = State::DoubleQuoted;
        } else if (c[i] == ')' && at(i + 1) == ')') {
          state = resume;
          i += 2;
          continue;
        }
        break;
    }
    ++i;
  }
  return std::nullopt;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view command(reinterpret_cast<const char*>(data), size);
  if (!quenlith_fuzz::is_text(command)) return -1;

  const auto index = index_of_chaining(command);
  FUZZ_CHECK(index == reference_index(command));
  if (!index) return 0;
  FUZZ_CHECK(*index < sorvane::text::char_count(command));
  const std::size_t at = sorvane::text::byte_offset_of_char(command, *index);
  FUZZ_CHECK(std::string_view("\n&;<>|`$").find(command[at]) != std::string_view::npos);
  if (command[at] == '$') FUZZ_CHECK(command.substr(at, 2) == "$(");
  // What follows the answer's "$(" can only turn it into "$((", which is looked at.
  const std::size_t cut = sorvane::text::byte_offset_of_char(command, *index + 3);
  FUZZ_CHECK(index_of_chaining(command.substr(0, cut)) == index);
  return 0;
}
