// The form-urlencoded decoder on arbitrary text: pairs come out whole and valid, never grow
// the text, and encoding the decoded pairs again decodes to the same pairs.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "urlencoded/urlencoded.h"

namespace {

// Escapes what the decoder gives a meaning to; everything else, non-ASCII bytes included,
// stays as it is (an escape would decode to a single Latin-1 character instead).
std::string encode(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (char c : text) {
    if (c == ' ') {
      out.push_back('+');
    } else if (c == '&' || c == '=' || c == '+' || c == '%') {
      out.push_back('%');
      out.push_back(kHex[static_cast<unsigned char>(c) >> 4]);
      out.push_back(kHex[static_cast<unsigned char>(c) & 15]);
    } else {
      out.push_back(c);
    }
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  if (!quenlith_fuzz::is_text(text)) return -1;

  const std::vector<std::string> pairs = sorvane::urlencoded::decode(text);
  FUZZ_CHECK(pairs.size() % 2 == 0);
  std::size_t total = 0;
  for (std::size_t i = 0; i < pairs.size(); i += 2) {
    FUZZ_CHECK(!pairs[i].empty() || !pairs[i + 1].empty());
  }
  for (const auto& piece : pairs) {
    FUZZ_CHECK(quenlith_fuzz::is_text(piece));
    total += piece.size();
  }
  // Each escape of three bytes gives at most two; every other byte gives at most one.
  FUZZ_CHECK(total <= size);

  std::string again;
  for (std::size_t i = 0; i < pairs.size(); i += 2) {
    if (i > 0) again += '&';
    again += encode(pairs[i]) + '=' + encode(pairs[i + 1]);
  }
  FUZZ_CHECK(sorvane::urlencoded::decode(again) == pairs);
  return 0;
}
