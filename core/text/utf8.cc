#include "core/text/utf8.h"

#include <cstdint>
#include <cstring>

namespace sorvane::text {

char32_t decode_at(std::string_view text, std::size_t& pos) {
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t n = text.size();
  unsigned char b0 = s[pos];
  if (b0 < 0x80) {
    ++pos;
    return b0;
  }
  std::size_t len = sequence_length(b0);
  if (pos + len > n) len = n - pos;  // defensive: never read past the end
  char32_t c = len == 2 ? (b0 & 0x1F) : len == 3 ? (b0 & 0x0F) : (b0 & 0x07);
  for (std::size_t i = 1; i < len; ++i) c = (c << 6) | (s[pos + i] & 0x3F);
  pos += len == 0 ? 1 : len;
  return c;
}

char32_t decode_before(std::string_view text, std::size_t& pos) {
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  std::size_t start = pos - 1;
  while (start > 0 && (s[start] & 0xC0) == 0x80 && pos - start < 4) --start;
  std::size_t p = start;
  char32_t c = decode_at(text, p);
  pos = start;
  return c;
}

void append_utf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

std::size_t char_count(std::string_view text) {
  std::size_t count = 0;
  for (unsigned char b : text) count += (b & 0xC0) != 0x80;
  return count;
}

std::string_view truncate_chars(std::string_view text, std::size_t max_chars) {
  return text.substr(0, byte_offset_of_char(text, max_chars));
}

std::size_t byte_offset_of_char(std::string_view text, std::size_t char_index) {
  std::size_t seen = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
      if (seen == char_index) return i;
      ++seen;
    }
  }
  return text.size();
}

std::optional<Utf8Error> validate_utf8(std::string_view bytes) {
  const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t n = bytes.size();
  std::size_t i = 0;
  while (i < n) {
    unsigned char b0 = s[i];
    if (b0 < 0x80) {
      // Then runs of ASCII eight bytes at a time.
      for (++i; i + 8 <= n; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, s + i, sizeof word);
        if ((word & 0x8080808080808080) != 0) break;
      }
      continue;
    }
    std::size_t width;
    if (b0 >= 0xC2 && b0 <= 0xDF) width = 2;
    else if (b0 >= 0xE0 && b0 <= 0xEF) width = 3;
    else if (b0 >= 0xF0 && b0 <= 0xF4) width = 4;
    else return Utf8Error{i, 1};
    // Second byte ranges exclude overlong forms, surrogates and values above U+10FFFF.
    unsigned char lo = 0x80, hi = 0xBF;
    if (b0 == 0xE0) lo = 0xA0;
    else if (b0 == 0xED) hi = 0x9F;
    else if (b0 == 0xF0) lo = 0x90;
    else if (b0 == 0xF4) hi = 0x8F;
    if (i + 1 >= n) return Utf8Error{i, std::nullopt};
    if (s[i + 1] < lo || s[i + 1] > hi) return Utf8Error{i, 1};
    for (std::size_t k = 2; k < width; ++k) {
      if (i + k >= n) return Utf8Error{i, std::nullopt};
      if ((s[i + k] & 0xC0) != 0x80) return Utf8Error{i, k};
    }
    i += width;
  }
  return std::nullopt;
}

}  // namespace sorvane::text
