// Equality of two byte views, with texts of up to 16 bytes compared in two loads each: for
// the short keys and words of a request a library call costs more than the comparison.
#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>

namespace sorvane::text {

namespace detail {
template <class Word>
Word load_word(const char* p) {
  Word value;
  std::memcpy(&value, p, sizeof value);
  return value;
}

// The first and the last `sizeof(Word)` bytes of both, which cover texts of up to twice that.
template <class Word>
bool equal_ends(const char* a, const char* b, std::size_t size) {
  return load_word<Word>(a) == load_word<Word>(b) &&
         load_word<Word>(a + size - sizeof(Word)) == load_word<Word>(b + size - sizeof(Word));
}
}  // namespace detail

inline bool equal_bytes(std::string_view a, std::string_view b) {
  const std::size_t size = a.size();
  if (size != b.size()) return false;
  if (size >= 8 && size <= 16) return detail::equal_ends<std::uint64_t>(a.data(), b.data(), size);
  if (size >= 4 && size < 8) return detail::equal_ends<std::uint32_t>(a.data(), b.data(), size);
  if (size < 4) {
    for (std::size_t i = 0; i < size; ++i) {
      if (a[i] != b[i]) return false;
    }
    return true;
  }
  return std::memcmp(a.data(), b.data(), size) == 0;
}

}  // namespace sorvane::text
