// Where a shell command chains a further command or starts a command substitution.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace sorvane::evaluation::rules::cmd_injection::semantic_chained_command {

// The character index of the first chaining character (line feed, "&", ";", "<", ">",
// "|", backtick) or "$(" outside quotes and comments; inside double quotes and
// arithmetic only a backtick or "$(" counts. None when there is no such place.
std::optional<std::size_t> index_of_chaining(std::string_view command);

}  // namespace sorvane::evaluation::rules::cmd_injection::semantic_chained_command
