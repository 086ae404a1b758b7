// Whether a user input inserted into a shell command breaks out of its token.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "core/evaluation/rules/sink_result_format.h"

namespace sorvane::evaluation::rules::cmd_injection {

// A token boundary found strictly inside the user input's span. All fields count
// characters (Unicode scalar values) of the command.
struct CmdiSinkResult {
  std::size_t start_index;             // where the input starts
  std::size_t end_index;               // exclusive end of the input's span
  std::size_t boundary_overrun_index;  // the first boundary strictly inside the span
  std::size_t input_boundary_index;    // the boundary recorded before it, 0 if none
  bool operator==(const CmdiSinkResult&) const = default;
};

inline constexpr char kCmdiSinkResultName[] = "CmdiSinkResult";

// The first boundary of `boundaries` (strictly increasing, in the order recorded) that
// lies strictly inside [input_index, input_index + input_len). The end saturates, so an
// overflowing span never wraps around.
std::optional<CmdiSinkResult> find_overrun(std::span<const std::size_t> boundaries,
                                           std::size_t input_index, std::size_t input_len);

// Tokenizes `command` as a POSIX shell line, then, when that finds no boundary inside
// the input's span, as a cmd.exe line. `input_index` and `input_len` count characters;
// any span, also one beyond the command, gives an answer.
std::optional<CmdiSinkResult> check_command(std::size_t input_index, std::size_t input_len,
                                            std::string_view command);

}  // namespace sorvane::evaluation::rules::cmd_injection

// "CmdiSinkResult { start_index: .., ... }"; an optional one "None" or "Some(...)".
template <>
struct fmt::formatter<sorvane::evaluation::rules::cmd_injection::CmdiSinkResult>
    : sorvane::evaluation::rules::SinkResultFormatter<
          sorvane::evaluation::rules::cmd_injection::CmdiSinkResult,
          sorvane::evaluation::rules::cmd_injection::kCmdiSinkResultName> {};
template <>
struct fmt::formatter<std::optional<sorvane::evaluation::rules::cmd_injection::CmdiSinkResult>>
    : sorvane::evaluation::rules::OptionalSinkResultFormatter<
          sorvane::evaluation::rules::cmd_injection::CmdiSinkResult> {};
