// Environment variables. A variable counts as set only when it exists and its value is
// valid UTF-8. Windows matches names without regard to letter case, as its environment does.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace sorvane::platform {

// The value of variable `name`, when it is set and valid UTF-8.
std::optional<std::string> get_env(std::string_view name);

// The value of the first "NAME=value" entry named `name` (compared without regard to ASCII
// letter case when `ignore_case`); entries without '=' are skipped.
std::optional<std::string_view> find_env_entry(std::span<const std::string_view> entries,
                                               std::string_view name, bool ignore_case);

// UTF-16 to UTF-8; absent when the text holds an unpaired surrogate.
std::optional<std::string> utf16_to_utf8(std::u16string_view text);

}  // namespace sorvane::platform
