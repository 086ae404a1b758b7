#include "core/evaluation/rules/input_traits.h"

#include <array>

namespace sorvane::evaluation::rules {
namespace {

namespace classes = text::char_classes;

// What one byte adds to a summary: its bit of the character set and its classes.
struct ByteEntry {
  std::uint64_t lo;
  std::uint64_t hi;
  std::uint64_t flags;
};

constexpr std::array<ByteEntry, 256> kByteEntries = [] {
  std::array<ByteEntry, 256> all{};
  for (std::size_t b = 0; b < 256; ++b) {
    if (b >= 128) {
      all[b].flags = classes::kNonAscii;
      continue;
    }
    (b < 64 ? all[b].lo : all[b].hi) = std::uint64_t{1} << (b & 63);
    all[b].flags = classes::kAsciiCharRange.classes[b];
  }
  return all;
}();

}  // namespace

InputTraits compute_input_traits(std::string_view text, std::uint8_t context) {
  InputTraits traits;
  traits.context = context;
  std::uint64_t lo = 0, hi = 0, wide_flags = 0;
  for (unsigned char b : text) {
    const ByteEntry& e = kByteEntries[b];  // the one table look-up per byte
    lo |= e.lo;
    hi |= e.hi;
    wide_flags |= e.flags;
  }
  auto flags = static_cast<classes::Flags>(wide_flags);
  traits.ascii_lo = lo;
  traits.ascii_hi = hi;
  traits.flags = ((lo >> '=') & 1) ? classes::with_padding_rule(flags, text) : flags;
  return traits;
}

}  // namespace sorvane::evaluation::rules
