// UTF-8 helpers over byte views. Decoding functions expect valid UTF-8 unless noted.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace sorvane::text {

// Decodes the scalar value starting at byte `pos` of valid UTF-8 and advances `pos`
// past it.
char32_t decode_at(std::string_view text, std::size_t& pos);

// Decodes the scalar value ending just before byte `pos` of valid UTF-8 and moves `pos`
// back to its first byte.
char32_t decode_before(std::string_view text, std::size_t& pos);

// Byte length of the UTF-8 sequence introduced by `lead` (1 for a continuation byte).
inline std::size_t sequence_length(unsigned char lead) {
  if (lead < 0xC0) return 1;
  if (lead < 0xE0) return 2;
  if (lead < 0xF0) return 3;
  return 4;
}

// Appends the UTF-8 encoding of `c` to `out`.
void append_utf8(std::string& out, char32_t c);

// Number of scalar values in valid UTF-8.
std::size_t char_count(std::string_view text);

// The prefix holding at most `max_chars` scalar values (for quoting inputs in log lines).
std::string_view truncate_chars(std::string_view text, std::size_t max_chars);

// Byte offset of the scalar value with index `char_index`; the text's byte length when
// the index is at or past the end.
std::size_t byte_offset_of_char(std::string_view text, std::size_t char_index);

// First error of invalid UTF-8: `valid_up_to` is the offset of the sequence at fault;
// `error_len` its length when the sequence is invalid, absent when the data ends inside it.
struct Utf8Error {
  std::size_t valid_up_to;
  std::optional<std::size_t> error_len;
};

// Validates `bytes` as UTF-8 (no surrogates, no overlong forms, at most U+10FFFF).
std::optional<Utf8Error> validate_utf8(std::string_view bytes);

inline bool is_utf8(std::string_view bytes) { return !validate_utf8(bytes).has_value(); }

}  // namespace sorvane::text
