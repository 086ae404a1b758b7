// The chaining search on arbitrary commands: an answer is the index of a chaining character
// or of the "$" of "$(", and the command cut two characters after it gives the same answer.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/evaluation/rules/cmd_injection/semantic_chained_command.h"
#include "core/text/utf8.h"
#include "fuzz/fuzz_input.h"

using sorvane::evaluation::rules::cmd_injection::semantic_chained_command::index_of_chaining;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view command(reinterpret_cast<const char*>(data), size);
  if (!quenlith_fuzz::is_text(command)) return -1;

  const auto index = index_of_chaining(command);
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
