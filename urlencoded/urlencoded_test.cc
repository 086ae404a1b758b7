#include "urlencoded/urlencoded.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace sorvane::urlencoded {
namespace {

using Pairs = std::vector<std::string>;

TEST(UrlencodedDecode, Table) {
  struct Case {
    std::string input;
    Pairs expected;
  };
  using namespace std::string_literals;
  const Case cases[] = {
      {"", {}},
      {"a=b&c=d", {"a", "b", "c", "d"}},
      {"a=1&a=2", {"a", "1", "a", "2"}},
      // Missing and empty parts.
      {"a", {"a", ""}},
      {"=b", {"", "b"}},
      {"=", {}},
      {"&", {}},
      {"&&", {}},
      {"=&=", {}},
      {"a=b&&c=d", {"a", "b", "c", "d"}},
      {"a&b", {"a", "", "b", ""}},
      // Only the first '=' separates; ';' separates nothing.
      {"a=b=c", {"a", "b=c"}},
      {"a==b", {"a", "=b"}},
      {"a=b;c=d", {"a", "b;c=d"}},
      // '+' and escapes of the separators.
      {"a+b=c+d", {"a b", "c d"}},
      {"%2B=%26%3D", {"+", "&="}},
      {"a%3Db=c", {"a=b", "c"}},
      {"x=%2b%2B", {"x", "++"}},
      // Escapes decode to one character U+0000..U+00FF each.
      {"%41", {"A", ""}},
      {"%ff=%FF", {"\xC3\xBF", "\xC3\xBF"}},
      {"%E2%82%AC", {"\xC3\xA2\xC2\x82\xC2\xAC", ""}},
      {"%00=%00", {"\0"s, "\0"s}},
      {"%7f%80", {"\x7F\xC2\x80", ""}},
      // Malformed escapes stay literal.
      {"%zz=1", {"%zz", "1"}},
      {"%4g=1", {"%4g", "1"}},
      {"%&x=1", {"%&x", "1"}},
      {"a=%4&b=c", {"a", "%4&b=c"}},
      {"%4=", {"%4=", ""}},
      {"%%41", {"%%41", ""}},
      {"%+", {"%+", ""}},
      {"%4+", {"%4+", ""}},
      {"%=a", {"%=a", ""}},
      // Pending escapes at the end of a pair.
      {"a=b%", {"a", "b%"}},
      {"a=%41%4", {"a", "A%4"}},
      {"%", {"%", ""}},
      {"%4", {"%4", ""}},
      {"a=%&b=1", {"a", "%&b=1"}},
      // Spaces and non-ASCII text pass through.
      {" a = b ", {" a ", " b "}},
      {"caf\xC3\xA9=\xE2\x82\xAC", {"caf\xC3\xA9", "\xE2\x82\xAC"}},
      {"%\xC3\xA9=%4\xE2\x82\xAC", {"%\xC3\xA9", "%4\xE2\x82\xAC"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(decode(c.input), c.expected) << "input: " << c.input;
  }
}

TEST(UrlencodedDecode, ArbitraryBytesKeepEvenLength) {
  // Every byte value, including invalid UTF-8, decodes without failing.
  std::string all;
  for (int i = 0; i < 256; ++i) all.push_back(static_cast<char>(i));
  for (std::string input : {all, all + "%", all + "%4", "%" + all}) {
    EXPECT_EQ(decode(input).size() % 2, 0u);
  }
}

}  // namespace
}  // namespace sorvane::urlencoded
