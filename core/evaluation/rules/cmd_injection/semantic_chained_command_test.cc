#include "core/evaluation/rules/cmd_injection/semantic_chained_command.h"

#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/log/capture_for_testing.h"

namespace sorvane::evaluation::rules::cmd_injection::semantic_chained_command {
namespace {

constexpr std::optional<std::size_t> kNone = std::nullopt;

TEST(SemanticChainedCommand, IndexOfChaining) {
  const struct {
    std::string command;
    std::optional<std::size_t> expected;
  } cases[] = {
      {"ls -l", kNone},
      {"ls; id", 2},
      {"a\\;b", 2},  // a backslash escapes nothing
      {"a$(b", 1},
      {"a$(", 1},
      {"a$", kNone},
      {"a$((1+2))b;c", 10},
      {"x$((a$(b)))", 5},
      {"x$((1));", 7},
      {"\"$((1))\";", 8},
      {"\"$((1))\"", kNone},
      {"'a;b'c;", 6},
      {"\"a`b\"", 2},
      {"#x;y\nz", 4},
      {"a # b; c\nd", 8},
      {"echo a#b;c", kNone},
      {"echo \"a\\\"b;c\"", kNone},
      {"echo \"a\\\"b;c\";", 13},
      {"echo 'a'\"b\";", 11},
      {"$((1\n\"x\"));", kNone},
      {"", kNone},
      {"'&|;<>`$(\n'", kNone},
      // Each chaining character outside quotes.
      {"a\nb", 1}, {"a&b", 1}, {"a<b", 1}, {"a>b", 1}, {"a`b", 1}, {"a|b", 1},
      // Inside double quotes and arithmetic only a backtick and "$(" answer.
      {"\"; | & < \n\"", kNone},
      {"\"a$(b)\"", 2},
      {"$((; | & <))", kNone},
      {"$((1`))", 4},
      {"$((1$((2))", kNone},  // a nested "$((" is passed over
      {"$((1)2)", kNone},     // a single ")" does not close
      // After two backslashes the quote still stays inside.
      {"\"a\\\\\";", kNone},
      // Indices count characters.
      {"\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80;", 3},
      {"\"\xC3\xA9\" \xE2\x80\x83$(x)", 5},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(index_of_chaining(c.command), c.expected) << c.command;
  }
}

TEST(SemanticChainedCommand, LogLines) {
  using log::Level;
  const std::string target = "sorvane::evaluation::rules::cmd_injection::semantic_chained_command";
  log::ScopedLogCapture capture(Level::Trace);
  index_of_chaining("ls; id");
  index_of_chaining("ls -l");
  EXPECT_EQ(capture.records(),
            (std::vector<log::CapturedRecord>{
                {Level::Debug, target, "index_of_chaining - index: 2. command: ls; id"},
                {Level::Trace, target, "index_of_chaining - result: None. command: ls -l"},
            }));

  capture.clear();
  log::set_max_level(Level::Debug);
  index_of_chaining("ls -l");
  EXPECT_TRUE(capture.records().empty());
}

}  // namespace
}  // namespace sorvane::evaluation::rules::cmd_injection::semantic_chained_command
