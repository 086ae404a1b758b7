// Equality of two byte views, with texts of up to 32 bytes compared word by word: for the
// short keys and words of a request a library call costs more than the comparison.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace sorvane::text {

// The `sizeof(Word)` bytes at `p`, in memory order, from any alignment.
template <class Word>
Word load_word(const char* p) {
  Word value;
  std::memcpy(&value, p, sizeof value);
  return value;
}

// Texts up to this many bytes are compared by words, longer ones by the library.
inline constexpr std::size_t kWordComparedBytes = 32;

inline bool equal_bytes(std::string_view a, std::string_view b) {
  const std::size_t size = a.size();
  if (size != b.size()) return false;
  const char* p = a.data();
  const char* q = b.data();
  if (size > kWordComparedBytes) return std::memcmp(p, q, size) == 0;
  if (size >= 8) {
    // Eight bytes at a time, the last word overlapping the one before.
    for (std::size_t at = 0; at + 8 < size; at += 8) {
      if (load_word<std::uint64_t>(p + at) != load_word<std::uint64_t>(q + at)) return false;
    }
    return load_word<std::uint64_t>(p + size - 8) == load_word<std::uint64_t>(q + size - 8);
  }
  if (size >= 4) {
    return load_word<std::uint32_t>(p) == load_word<std::uint32_t>(q) &&
           load_word<std::uint32_t>(p + size - 4) == load_word<std::uint32_t>(q + size - 4);
  }
  // Bytes 0, size / 2 and size - 1 are every byte of a text shorter than four.
  return size == 0 || (p[0] == q[0] && p[size / 2] == q[size / 2] && p[size - 1] == q[size - 1]);
}

}  // namespace sorvane::text
