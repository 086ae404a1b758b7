#include "core/evaluation/rules/cmd_injection/cmd_sink.h"

#include <limits>

#include <fmt/format.h>

#include "core/evaluation/rules/cmd_injection/bash_tokenizer.h"
#include "core/evaluation/rules/cmd_injection/win_shell_tokenizer.h"
#include "core/log/log.h"
#include "core/text/utf8.h"

namespace sorvane::evaluation::rules::cmd_injection {

namespace {

constexpr const char* kTarget = "sorvane::evaluation::rules::cmd_injection";

std::size_t saturating_add(std::size_t a, std::size_t b) {
  return b > std::numeric_limits<std::size_t>::max() - a ? std::numeric_limits<std::size_t>::max()
                                                         : a + b;
}

}  // namespace

std::optional<CmdiSinkResult> find_overrun(std::span<const std::size_t> boundaries,
                                           std::size_t input_index, std::size_t input_len) {
  const std::size_t end = saturating_add(input_index, input_len);
  std::size_t previous = 0;
  for (std::size_t b : boundaries) {
    if (b > end) return std::nullopt;
    if (b > input_index && b < end) return CmdiSinkResult{input_index, end, b, previous};
    previous = b;
  }
  return std::nullopt;
}

std::optional<CmdiSinkResult> check_command(std::size_t input_index, std::size_t input_len,
                                            std::string_view command) {
  // Only the first boundary beyond input_index (and the one before it) can decide, so
  // each pass stops once it has recorded one and keeps no earlier boundary but the last.
  if (auto found = find_overrun(bash_tokenizer::tokenize(command, input_index, Keep::Deciding),
                                input_index, input_len)) {
    return found;
  }
  auto result = find_overrun(
      windows_shell_tokenizer::tokenize(command, input_index, Keep::Deciding), input_index,
      input_len);
  SORVANE_DEBUG(kTarget, "check_command - result: {}. input_index: {}. input_len: {}. command: {}",
                result, input_index, input_len, text::truncate_chars(command, 128));
  return result;
}

}  // namespace sorvane::evaluation::rules::cmd_injection
