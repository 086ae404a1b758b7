#include "core/evaluation/rules/input_traits.h"

#include "core/fatal_error.h"

namespace sorvane::evaluation::rules {
namespace input_traits {
namespace {

void add_chars(AsciiCharRange& table, std::uint16_t bit, std::u32string_view chars) {
  for (char32_t c : chars) {
    if (c > 127) panic("a character won't fit in the AsciiCharRange map");
    if (table.classes[c] & bit) panic("multiple character classes set the same bit");
    table.classes[c] |= bit;
  }
}

AsciiCharRange build() {
  constexpr std::u32string_view kAlnumChars =
      U"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  AsciiCharRange table;
  add_chars(table, kBlank, U"\t\v\f ");
  add_chars(table, kLineBreak, U"\n\r");
  add_chars(table, kAlnum, kAlnumChars);
  table.add_not_chars(kOther, "\t\v\f ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789");
  add_chars(table, kClass20, U"&;|$<>`/-");
  add_chars(table, kClass40, U"`';-%()|{}=\"@");
  add_chars(table, kClass80, U"'\"=<;(`>:_");
  table.add_not_chars(kNotBase64,
                      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/-_=");
  return table;
}

}  // namespace

void AsciiCharRange::add_not_chars(std::uint16_t bit, std::string_view chars) {
  for (std::size_t code = 0; code < 128; ++code) {
    if (chars.find(static_cast<char>(code)) == std::string_view::npos) classes[code] |= bit;
  }
}

const AsciiCharRange& ascii_char_range() {
  static const AsciiCharRange table = build();
  return table;
}

}  // namespace input_traits

namespace {

// What one byte adds to a summary: its bit of the character set and its classes.
struct ByteEntry {
  std::uint64_t lo;
  std::uint64_t hi;
  std::uint64_t flags;
};

std::array<ByteEntry, 256> build_byte_entries() {
  std::array<ByteEntry, 256> all{};
  const auto& ascii = input_traits::ascii_char_range().classes;
  for (std::size_t b = 0; b < 256; ++b) {
    if (b >= 128) {
      all[b].flags = input_traits::kNonAscii;
      continue;
    }
    (b < 64 ? all[b].lo : all[b].hi) = std::uint64_t{1} << (b & 63);
    all[b].flags = ascii[b];
  }
  return all;
}

}  // namespace

InputTraits compute_input_traits(std::string_view text, std::uint8_t context) {
  static const std::array<ByteEntry, 256> entries = build_byte_entries();
  InputTraits traits;
  traits.context = context;
  std::uint64_t lo = 0, hi = 0, wide_flags = 0;
  for (unsigned char b : text) {
    const ByteEntry& e = entries[b];  // the one table look-up per byte
    lo |= e.lo;
    hi |= e.hi;
    wide_flags |= e.flags;
  }
  auto flags = static_cast<std::uint16_t>(wide_flags);
  traits.ascii_lo = lo;
  traits.ascii_hi = hi;
  // A '=' anywhere but at the end is no base64 padding.
  if (!(flags & input_traits::kNotBase64) && ((lo >> '=') & 1) &&
      text.back() != '=') {
    flags |= input_traits::kNotBase64;
  }
  traits.flags = flags;
  return traits;
}

}  // namespace sorvane::evaluation::rules
