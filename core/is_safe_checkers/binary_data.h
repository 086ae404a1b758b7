// Recognises long encoded payloads (base64, data: URIs, hex dumps, percent-encoded binary)
// that no rule needs to see.
#pragma once

#include <cstdint>
#include <string_view>

namespace sorvane::is_safe_checkers::binary_data {

// Texts shorter than this are never binary data.
inline constexpr std::size_t kMinLength = 4096;

// `flags` is the `flags` field of the text's InputTraits. Reads at most the first 517
// bytes once the length and flags have not decided.
bool is_binary_data(std::string_view text, std::uint16_t flags);

}  // namespace sorvane::is_safe_checkers::binary_data
