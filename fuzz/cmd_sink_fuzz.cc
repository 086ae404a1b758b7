// The command sink check on arbitrary commands and spans (also beyond the command and up to
// the largest size): a found boundary lies inside the span and the command, and a longer
// span from the same start still finds one.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/evaluation/rules/cmd_injection/cmd_sink.h"
#include "fuzz/fuzz_input.h"
#include "fuzz/span_checks.h"

using sorvane::evaluation::rules::cmd_injection::check_command;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  quenlith_fuzz::FuzzInput in(data, size);
  const std::size_t index = in.size();
  const std::size_t length = in.size();
  const std::string_view command = in.rest();
  if (!quenlith_fuzz::is_text(command)) return -1;

  const auto result = check_command(index, length, command);
  if (length == 0) FUZZ_CHECK(!result);
  if (!result) return 0;
  quenlith_fuzz::check_span_result(*result, index, length, command);
  FUZZ_CHECK(check_command(index, length + 1 == 0 ? length : length + 1, command));
  FUZZ_CHECK(check_command(index, std::size_t(-1), command));
  return 0;
}
