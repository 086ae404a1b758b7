// The command rule's cheap pre-screen: a shell separator or start followed by a known
// command name, or a path into a system directory.
#pragma once

#include <string_view>

#include "core/evaluation/rules/input_traits.h"
#include "core/text/regex.h"

namespace sorvane::evaluation::rules::cmd_injection::worth_watching {

// The command-name expression, compiled once on first use.
const text::Regex& COMMANDS();

// True when the text has at least 3 bytes, holds a class-0x20 character (& ; | $ < > ` / -)
// and COMMANDS matches anywhere in it.
bool is_worth_watching(std::string_view text, const InputTraits& traits);

}  // namespace sorvane::evaluation::rules::cmd_injection::worth_watching
