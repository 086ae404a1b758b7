#include "core/is_safe_checkers/binary_data.h"

#include <gtest/gtest.h>

#include <string>

#include "core/text/char_classes.h"

namespace sorvane::is_safe_checkers::binary_data {
namespace {

bool binary(std::string_view text) {
  return is_binary_data(text, text::char_classes::classes_of(text));
}

std::string rep(std::string_view unit, std::size_t times) {
  std::string out;
  for (std::size_t i = 0; i < times; ++i) out += unit;
  return out;
}

// Pads `head` to 5000 bytes with '!' (outside the base64 alphabet, not hexadecimal, no
// blank), so that only the prefix decides.
std::string padded(std::string head, std::size_t size = 5000) {
  if (head.size() < size) head.append(size - head.size(), '!');
  return head;
}

// A data: URI with `header` before its comma and `payload_len` base64 characters after.
std::string data_uri(std::string_view header, std::size_t payload_len = 300) {
  return padded("data:" + std::string(header) + "," + std::string(payload_len, 'Q'));
}

struct Case {
  const char* what;
  std::string text;
  bool binary;
};

template <std::size_t N>
void expect_all(const Case (&cases)[N]) {
  for (const Case& c : cases) EXPECT_EQ(binary(c.text), c.binary) << c.what;
}

TEST(BinaryData, LengthAndAlphabet) {
  const Case cases[] = {
      {"empty", "", false},
      {"4095 letters", std::string(4095, 'Q'), false},
      {"4096 letters", std::string(4096, 'Q'), true},
      {"letters and non-ASCII", rep("Q\xC3\xA9", 1700), true},
      {"base64 alphabet with padding", std::string(4096, 'Q') + "+/-_==", true},
      {"'=' not at the end", std::string(2048, 'Q') + "=" + std::string(2048, 'Q'), false},
      {"one SPACE", std::string(2500, 'Q') + " " + std::string(2500, '!'), false},
      {"one line break", std::string(2500, 'Q') + "\n" + std::string(2500, '!'), false},
      {"no blanks, no known prefix", padded("QQQQ"), false},
      {"large base64 text", std::string(4 << 20, 'Q'), true},
  };
  expect_all(cases);
}

TEST(BinaryData, DataUri) {
  const std::string payload_ok = "data:;base64," + std::string(256, 'Q') + "!";
  const Case cases[] = {
      {"empty header", data_uri(";base64"), true},
      {"image/png", data_uri("image/png;base64"), true},
      {"parameters not examined", data_uri("text/plain;charset=utf-8;base64"), true},
      {"header starting with ';'", data_uri(";charset=utf-8;base64"), false},
      {"special token characters", data_uri("x!#$&-^_.+/y;base64"), true},
      {"two slashes", data_uri("a/b/c;base64"), false},
      {"empty subtype", data_uri("image/;base64"), false},
      {"empty type", data_uri("/png;base64"), false},
      {"no slash", data_uri("image;base64"), false},
      {"bad token character", data_uri("im@ge/png;base64"), false},
      {"no ;base64 marker", data_uri("image/png"), false},
      {"marker overlaps the prefix", data_uri("base64"), false},
      {"upper-case marker", data_uri(";BASE64"), false},
      {"payload too short for the window", data_uri(";base64", 255), false},
      {"bad byte right after the window", padded(payload_ok), true},
      {"comma at position 260", data_uri("image/" + std::string(242, 'x') + ";base64"), true},
      {"comma at position 261", data_uri("image/" + std::string(243, 'x') + ";base64"), false},
      {"line break in the payload", data_uri(";base64\n"), false},
      {"no comma at all", padded("data:image/png;base64"), false},
  };
  expect_all(cases);
}

TEST(BinaryData, HexDumpAndPercentEscapes) {
  const std::string hex64 = rep("0123456789abcdefABCDEF", 3).substr(0, 64);
  std::string hex_with_g = hex64;
  hex_with_g[40] = 'g';
  const Case cases[] = {
      {"64 hex digits", padded(hex64), true},
      {"63 hex digits", padded(hex64.substr(0, 63)), false},
      {"'g' among the first 64", padded(hex_with_g), false},
      {"22 control escapes", padded(rep("%00", 22)), true},
      {"21 control escapes", padded(rep("%00", 21)), false},
      {"22 high escapes", padded(rep("%fF", 22)), true},
      {"'%7F' counts, '%1F' counts", padded(rep("%7F%1F", 11)), true},
      {"printable escapes never count", padded(rep("%41%20%7E", 30)), false},
      {"22nd escape at position 253",
       padded(rep("%00", 21) + std::string(253 - 63, 'x') + "%00"), true},
      {"22nd escape at position 254",
       padded(rep("%00", 21) + std::string(254 - 63, 'x') + "%00"), false},
      {"escapes interleaved with text", padded(rep("x%01", 22)), true},
      {"'%' without two hex digits", padded(rep("%0g", 30)), false},
      {"escape consumes its digits", padded(rep("%%00", 22)), true},
  };
  expect_all(cases);
}

TEST(BinaryData, MultiByteCharacterAcrossTheCommaWindow) {
  // "é" straddles positions 259-260 and 260-261; the comma search reads bytes only.
  for (std::size_t at : {259u, 260u}) {
    std::string text = "data:" + std::string(at - 5, 'Q') + "\xC3\xA9" + ",QQQ";
    EXPECT_FALSE(binary(padded(text))) << at;
  }
  std::string text = "data:" + std::string(255, 'Q') + "\xC3\xA9";
  EXPECT_FALSE(binary(padded(text)));
}

}  // namespace
}  // namespace sorvane::is_safe_checkers::binary_data
