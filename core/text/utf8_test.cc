#include "core/text/utf8.h"

#include <gtest/gtest.h>

namespace sorvane::text {
namespace {

TEST(Utf8, ValidateReportsFirstError) {
  struct Case {
    std::string bytes;
    bool ok;
    std::size_t valid_up_to;
    std::optional<std::size_t> len;
  };
  const Case cases[] = {
      {"abc", true, 0, {}},
      {"\xFF", false, 0, 1},
      {"\xE2\x82", false, 0, std::nullopt},
      {"a\xE2\x82\xAC", true, 0, {}},
      {"ab\xED\xA0\x80", false, 2, 1},  // surrogate
      {"\xC0\xAF", false, 0, 1},        // overlong
      {"\xF4\x90\x80\x80", false, 0, 1},
      {"x\xE2\x28\xA1", false, 1, 1},
      {"\xF0\x9F\x98", false, 0, std::nullopt},
  };
  for (const Case& c : cases) {
    auto err = validate_utf8(c.bytes);
    EXPECT_EQ(!err.has_value(), c.ok) << c.bytes;
    if (err) {
      EXPECT_EQ(err->valid_up_to, c.valid_up_to);
      EXPECT_EQ(err->error_len, c.len);
    }
  }
}

// The first error stands wherever it falls in a run of ASCII, whatever the run's length and
// the bytes after it.
TEST(Utf8, ValidateFindsTheErrorAfterAsciiRuns) {
  struct Bad {
    std::string_view bytes;
    std::size_t offset;  // of the error in `bytes`
  };
  const Bad bads[] = {
      {"\xFF", 0}, {"\xC3", 0}, {"\xED\xA0\x80", 0}, {"\xC3\xA9\x80", 2}};
  for (std::size_t run = 0; run < 40; ++run) {
    for (const Bad& bad : bads) {
      const std::string bytes =
          std::string(run, 'a') + std::string(bad.bytes) + std::string(20, 'b');
      const auto err = validate_utf8(bytes);
      ASSERT_TRUE(err.has_value()) << run;
      EXPECT_EQ(err->valid_up_to, run + bad.offset) << run;
      EXPECT_EQ(err->error_len, std::optional<std::size_t>(1)) << run;
    }
    EXPECT_FALSE(validate_utf8(std::string(run, 'a') + "\xC3\xA9" + std::string(run, 'z')));
  }
}

TEST(Utf8, CountsAndCutsCharacters) {
  std::string s = "h\xC3\xA9llo\xE2\x82\xAC";  // hello with é, then €
  EXPECT_EQ(char_count(s), 6u);
  EXPECT_EQ(truncate_chars(s, 2), "h\xC3\xA9");
  EXPECT_EQ(truncate_chars(s, 100), s);
  EXPECT_EQ(byte_offset_of_char(s, 5), 6u);
  std::size_t pos = s.size();
  EXPECT_EQ(decode_before(s, pos), U'\u20AC');
  EXPECT_EQ(pos, 6u);
}

}  // namespace
}  // namespace sorvane::text
