// The sensitive-file search in commands on arbitrary text: a command made only of names
// and slashes is answered by a plain search, and a true answer needs a slash or a colon.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/evaluation/rules/cmd_injection/semantic_dangerous_path.h"
#include "fuzz/fuzz_input.h"

using sorvane::evaluation::rules::cmd_injection::semantic_dangerous_path::contains_dangerous_path;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view command(reinterpret_cast<const char*>(data), size);
  if (!quenlith_fuzz::is_text(command)) return -1;

  const bool answer = contains_dangerous_path(command);
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
