// The sensitive-file search in commands on arbitrary text: it answers what a plain version
// of its rewriting steps answers; a command made only of names and slashes is answered by a
// plain search, and a true answer needs a slash or a colon.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/evaluation/rules/cmd_injection/semantic_dangerous_path.h"
#include "fuzz/fuzz_input.h"

using sorvane::evaluation::rules::cmd_injection::semantic_dangerous_path::contains_dangerous_path;

namespace {

bool name_char(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

bool reference_contains(std::string_view command) {
  // Variable references (all the characters involved are ASCII, so bytes will do).
  enum class State { Outside, Name, Braces } state = State::Outside;
  std::string text;
  for (std::size_t k = 0; k < command.size(); ++k) {
    const char c = command[k];
    const char next = k + 1 < command.size() ? command[k + 1] : '\0';
    switch (state) {
      case State::Outside:
        if (c == '$' && name_char(next)) state = State::Name;
        else if (c == '$' && next == '{') state = State::Braces;
        else text += c;
        break;
      case State::Name:
        if (c == '$' && next == '{') {
          ++k;
          state = State::Braces;
        } else if (!name_char(c)) {
          text += c;
          state = State::Outside;
        }
        break;
      case State::Braces:
        if (c == '}') state = State::Outside;
        else if (c == ':') return true;
        break;
    }
  }
  std::string unquoted;
  for (char c : text) {
    if (c != '\'' && c != '"' && c != '\\') unquoted += c;
  }
  std::string single;
  for (char c : unquoted) {
    if (!(c == '/' && !single.empty() && single.back() == '/')) single += c;
  }
  std::string steps;
  for (std::size_t p = 0; p < single.size();) {
    if (single.compare(p, 3, "/./") == 0) {
      p += 3;
      while (single.compare(p, 2, "./") == 0) p += 2;
      steps += '/';
    } else {
      steps += single[p++];
    }
  }
  return steps.find("/etc/passwd") != std::string::npos ||
         steps.find("/etc/shadow") != std::string::npos ||
         steps.find("/etc/hosts") != std::string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view command(reinterpret_cast<const char*>(data), size);
  if (!quenlith_fuzz::is_text(command)) return -1;

  const bool answer = contains_dangerous_path(command);
  FUZZ_CHECK(answer == reference_contains(command));
  if (answer) FUZZ_CHECK(command.find_first_of("/:") != std::string_view::npos);
  // Without variables, quotes, escapes or repeated separators nothing is rewritten.
  if (command.find_first_of("$'\"\\") == std::string_view::npos &&
      command.find("//") == std::string_view::npos && command.find("/./") == std::string_view::npos) {
    const bool plain = command.find("/etc/passwd") != std::string_view::npos ||
                       command.find("/etc/shadow") != std::string_view::npos ||
                       command.find("/etc/hosts") != std::string_view::npos;
    FUZZ_CHECK(answer == plain);
  }
  return 0;
}
