// Character classes of the ASCII codes: the flag bits that summarise which kinds of
// characters a text holds, and the table giving each code its classes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace sorvane::text::char_classes {

using Flags = std::uint16_t;

inline constexpr Flags kBlank = 0x01;      // tab, vertical tab, form feed, space
inline constexpr Flags kNonAscii = 0x02;   // any byte of 128 or more
inline constexpr Flags kAlnum = 0x04;      // ASCII letters and digits
inline constexpr Flags kOther = 0x08;      // every ASCII code that is no blank, letter or digit
inline constexpr Flags kLineBreak = 0x10;  // line feed, carriage return
inline constexpr Flags kShellSpecial = 0x20;
inline constexpr Flags kSqlSpecial = 0x40;
inline constexpr Flags kMarkupSpecial = 0x80;
inline constexpr Flags kNotBase64 = 0x100;  // every ASCII code outside the base64 alphabets

inline constexpr std::string_view kBlankChars = "\t\v\f ";
inline constexpr std::string_view kLineBreakChars = "\n\r";
inline constexpr std::string_view kAlnumChars =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
// Characters that separate, chain or redirect shell commands, or start a path or option.
inline constexpr std::string_view kShellChars = "&;|$<>`/-";
// Characters that end a quoted SQL literal or start a comment, a group or a variable.
inline constexpr std::string_view kSqlChars = "`';-%()|{}=\"@";
// Characters that open or close markup tags, attributes and script calls.
inline constexpr std::string_view kMarkupChars = "'\"=<;(`>:_";
inline constexpr std::string_view kBase64Chars =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/-_=";

struct AsciiCharRange {
  std::array<Flags, 128> classes{};

  // Adds `bit` to every code in `chars`. A non-ASCII character or a bit already set on a
  // listed code stops the compilation.
  consteval void add_chars(Flags bit, std::string_view chars) {
    for (char ch : chars) {
      auto c = static_cast<unsigned char>(ch);
      if (c > 127) throw "a character won't fit in the AsciiCharRange map";
      if (classes[c] & bit) throw "multiple character classes set the same bit";
      classes[c] |= bit;
    }
  }

  // Adds `bit` to every ASCII code that does not occur in `chars`.
  constexpr void add_not_chars(Flags bit, std::string_view chars) {
    for (std::size_t code = 0; code < 128; ++code) {
      if (chars.find(static_cast<char>(code)) == std::string_view::npos) classes[code] |= bit;
    }
  }
};

consteval AsciiCharRange build_ascii_char_range() {
  AsciiCharRange table;
  table.add_chars(kBlank, kBlankChars);
  table.add_chars(kLineBreak, kLineBreakChars);
  table.add_chars(kAlnum, kAlnumChars);
  table.add_not_chars(kOther, "\t\v\f ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789");
  table.add_chars(kShellSpecial, kShellChars);
  table.add_chars(kSqlSpecial, kSqlChars);
  table.add_chars(kMarkupSpecial, kMarkupChars);
  table.add_not_chars(kNotBase64, kBase64Chars);
  return table;
}

// The class table of the ASCII codes.
inline constexpr AsciiCharRange kAsciiCharRange = build_ascii_char_range();

// The table, for callers that take it by reference.
constexpr const AsciiCharRange& ascii_char_range() { return kAsciiCharRange; }

// A '=' anywhere but at the end is no base64 padding: `flags` of a text holding '=', with
// kNotBase64 added unless the text ends with it.
constexpr Flags with_padding_rule(Flags flags, std::string_view text) {
  if (!(flags & kNotBase64) && !text.empty() && text.back() != '=') flags |= kNotBase64;
  return flags;
}

// The classes of the bytes of `text`, with the padding rule applied.
constexpr Flags classes_of(std::string_view text) {
  Flags flags = 0;
  bool has_equals = false;
  for (char ch : text) {
    auto b = static_cast<unsigned char>(ch);
    flags |= b < 128 ? kAsciiCharRange.classes[b] : kNonAscii;
    has_equals |= ch == '=';
  }
  return has_equals ? with_padding_rule(flags, text) : flags;
}

}  // namespace sorvane::text::char_classes
