// The command sink check on arbitrary commands and spans (also beyond the command and up to
// the largest size): it answers what plain versions of the two tokenizers answer; a found
// boundary lies inside the span and the command, and a longer span from the same start
// still finds one.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "core/evaluation/rules/cmd_injection/cmd_sink.h"
#include "fuzz/cmd_reference_tokenizers.h"
#include "fuzz/fuzz_input.h"
#include "fuzz/span_checks.h"

using sorvane::evaluation::rules::cmd_injection::check_command;
using sorvane::evaluation::rules::cmd_injection::CmdiSinkResult;

namespace {

std::optional<CmdiSinkResult> decide(const std::vector<std::size_t>& boundaries,
                                     std::size_t index, std::size_t length) {
  const std::size_t end = quenlith_fuzz::saturating_end(index, length);
  std::size_t previous = 0;
  for (std::size_t b : boundaries) {
    if (b > end) break;
    if (index < b && b < end) return CmdiSinkResult{index, end, b, previous};
    previous = b;
  }
  return std::nullopt;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  quenlith_fuzz::FuzzInput in(data, size);
  const std::size_t index = in.size();
  const std::size_t length = in.size();
  const std::string_view command = in.rest();
  if (!quenlith_fuzz::is_text(command)) return -1;

  const auto result = check_command(index, length, command);
  auto expected = decide(quenlith_fuzz::cmd_reference::posix_boundaries(command), index, length);
  if (!expected) {
    expected = decide(quenlith_fuzz::cmd_reference::cmd_exe_boundaries(command), index, length);
  }
  FUZZ_CHECK(result == expected);
  if (length == 0) FUZZ_CHECK(!result);
  if (!result) return 0;
  quenlith_fuzz::check_span_result(*result, index, length, command);
  FUZZ_CHECK(check_command(index, length + 1 == 0 ? length : length + 1, command));
  FUZZ_CHECK(check_command(index, std::size_t(-1), command));
  return 0;
}
