#include "core/is_safe_checkers/binary_data.h"

#include "core/text/char_classes.h"

namespace sorvane::is_safe_checkers::binary_data {
namespace {

namespace traits = text::char_classes;

constexpr std::string_view kDataPrefix = "data:";
constexpr std::string_view kBase64Marker = ";base64";
// The comma of a data: URI is looked for among the bytes after the prefix, up to this many.
constexpr std::size_t kCommaWindow = 256;
// Payload bytes of a data: URI that must look like base64.
constexpr std::size_t kPayloadWindow = 256;
constexpr std::size_t kHexPrefix = 64;
constexpr std::size_t kPercentWindow = 256;

bool is_alnum(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

int hex_value(unsigned char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A type or subtype of a media type: non-empty, letters, digits and "!#$&-^_.+".
bool is_media_token(std::string_view part) {
  if (part.empty()) return false;
  for (unsigned char c : part) {
    if (!is_alnum(c) && std::string_view("!#$&-^_.+").find(static_cast<char>(c)) ==
                            std::string_view::npos) {
      return false;
    }
  }
  return true;
}

// The media type of a data: URI header ("type/subtype", parameters ignored); an empty
// header is accepted.
bool is_media_type_header(std::string_view header) {
  if (header.empty()) return true;
  std::string_view media = header.substr(0, header.find(';'));
  std::size_t slash = media.find('/');
  if (slash == std::string_view::npos || media.find('/', slash + 1) != std::string_view::npos) {
    return false;
  }
  return is_media_token(media.substr(0, slash)) && is_media_token(media.substr(slash + 1));
}

bool is_base64_payload_byte(unsigned char c) {
  return is_alnum(c) || c == '+' || c == '/' || c == '-' || c == '_' || c == '=' || c == '\n' ||
         c == '\r';
}

// A data: URI with a base64 payload. The text holds at least kMinLength bytes.
bool is_base64_data_uri(std::string_view text) {
  if (!text.starts_with(kDataPrefix)) return false;
  const std::size_t first = kDataPrefix.size();
  std::size_t comma = text.substr(first, kCommaWindow).find(',');
  if (comma == std::string_view::npos) return false;
  comma += first;
  if (comma < first + kBase64Marker.size() ||
      text.substr(comma - kBase64Marker.size(), kBase64Marker.size()) != kBase64Marker) {
    return false;
  }
  if (!is_media_type_header(text.substr(first, comma - kBase64Marker.size() - first))) {
    return false;
  }
  for (unsigned char c : text.substr(comma + 1, kPayloadWindow)) {
    if (!is_base64_payload_byte(c)) return false;
  }
  return true;
}

bool is_hex_dump(std::string_view text) {
  for (unsigned char c : text.substr(0, kHexPrefix)) {
    if (hex_value(c) < 0) return false;
  }
  return true;
}

// At least 22 escapes among the first 256 bytes decode to a control or non-ASCII byte
// (three times the count exceeds 64).
bool is_percent_encoded_binary(std::string_view text) {
  std::string_view window = text.substr(0, kPercentWindow);
  std::size_t count = 0;
  std::size_t p = 0;
  while (p < window.size()) {
    if (p + 2 < window.size() && window[p] == '%') {
      int hi = hex_value(static_cast<unsigned char>(window[p + 1]));
      int lo = hex_value(static_cast<unsigned char>(window[p + 2]));
      if (hi >= 0 && lo >= 0) {
        int v = hi * 16 + lo;
        if (v < 0x20 || v >= 0x7F) ++count;
        p += 3;
        continue;
      }
    }
    ++p;
  }
  return 3 * count > 64;
}

}  // namespace

bool is_binary_data(std::string_view text, std::uint16_t flags) {
  if (text.size() < kMinLength) return false;
  if (!(flags & traits::kNotBase64)) return true;
  if (flags & (traits::kBlank | traits::kLineBreak)) return false;
  return is_base64_data_uri(text) || is_hex_dump(text) || is_percent_encoded_binary(text);
}

}  // namespace sorvane::is_safe_checkers::binary_data
