#include "core/evaluation/rules/cmd_injection/cmd_sink.h"

#include <cstdint>
#include <limits>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "core/evaluation/rules/cmd_injection/bash_tokenizer.h"
#include "core/evaluation/rules/cmd_injection/win_shell_tokenizer.h"
#include "core/log/capture_for_testing.h"
#include "fuzz/cmd_reference_tokenizers.h"

namespace sorvane::evaluation::rules::cmd_injection {
namespace {

using Boundaries = std::vector<std::size_t>;

struct TokenizerCase {
  std::string command;
  Boundaries bash;
  std::optional<Boundaries> win;  // checked only where given
};

TEST(CmdSinkTokenizers, BoundaryLists) {
  const TokenizerCase cases[] = {
      {"ls foo; rm -rf /", {0, 2, 3, 6, 8, 10, 11, 14, 15}, Boundaries{0, 2, 3, 6, 8, 10, 11, 14, 15}},
      {"echo 'a;b'", {0, 4, 5, 9}, Boundaries{0, 4, 5, 7, 8}},
      {"echo a\\;b", {0, 4, 5}, Boundaries{0, 4, 5, 7, 8}},
      {"echo \\;abc", {0, 4, 5, 6, 7}, {}},
      {"echo \\`id\\`", {0, 4, 7}, {}},
      {"echo `id` x", {0, 4, 5, 6, 8, 10}, {}},
      {"echo `a\\`b\\`c` d", {0, 4, 5, 6, 7, 9, 10, 13, 15}, {}},
      {"cat $(id)", {0, 3, 4, 6, 8}, {}},
      {"echo \"$(id)\"", {0, 4, 5, 6, 8, 10, 11}, {}},
      {"x \"<(b)\" y", {0, 1, 2, 3, 5, 6, 7, 9}, {}},
      {"a<(b", {0, 1, 2}, {}},
      {"ls 2>&1", {0, 2, 3, 5, 6}, {}},
      {"a||b c", {0, 1, 3, 4, 5}, {}},
      {"a$>b", {0, 1, 3}, {}},
      {"a\"b c\"d e", {0, 3, 4, 7, 8}, {}},
      {"dir \"a\"\"b\"", {0, 3, 4, 6, 7, 9}, Boundaries{0, 3, 4, 9}},
      {"echo ^&ab", {0, 4, 5, 6, 7}, Boundaries{0, 4, 5}},
      {"echo a,b", {0, 4, 5}, Boundaries{0, 4, 5, 6, 7}},
      {"a=b", {0}, Boundaries{0, 1, 2}},
      {"x \"a&b\" y", {0, 1, 2, 6, 8}, Boundaries{0, 1, 2, 6, 8}},
      // Empty command: the cmd.exe pass records the missing first character.
      {"", {}, Boundaries{0}},
      // Unterminated strings and substitutions simply end with the text.
      {"echo \"abc", {0, 4, 5}, Boundaries{0, 4, 5}},
      {"echo 'abc", {0, 4, 5}, {}},
      {"a$(b", {0, 1, 3}, {}},
      {"a`b", {0, 1, 2}, {}},
      // ")" outside a substitution is a word character.
      {"a)b c", {0, 3, 4}, {}},
      // A third backtick level is an ordinary character.
      {"`a\\`b`c", {0, 1, 2, 4}, {}},
      // A trailing escape character has nothing to take literally.
      {"a\\", {0}, {}},
      {"a^", {0}, Boundaries{0}},
      {"^", {0}, Boundaries{0}},
      // Characters, not bytes; non-ASCII whitespace separates.
      {"\xC3\xA9; x", {0, 1, 3}, Boundaries{0, 1, 3}},
      {"a\xE3\x80\x80" "b", {0, 1, 2}, Boundaries{0, 1, 2}},
      {"\xF0\x9F\x98\x80 \xC2\xA0x", {0, 1, 3}, Boundaries{0, 1, 3}},
      // Longest operator first.
      {"a2>>b", {0, 1, 4}, Boundaries{0, 1, 4}},
      {"a|&b", {0, 1, 3}, Boundaries{0, 1, 2, 3}},
      {"a>$b", {0, 1, 3}, Boundaries{0, 1, 2}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(bash_tokenizer::tokenize(c.command), c.bash) << "bash: " << c.command;
    if (c.win) {
      EXPECT_EQ(windows_shell_tokenizer::tokenize(c.command), *c.win) << "cmd: " << c.command;
    }
  }
}

// A pass that stops early keeps every boundary up to the first one beyond the limit.
TEST(CmdSinkTokenizers, StopsAfterFirstBoundaryBeyondLimit) {
  const std::string command = "ls foo; rm -rf /";
  EXPECT_EQ(bash_tokenizer::tokenize(command, 3), (Boundaries{0, 2, 3, 6}));
  EXPECT_EQ(windows_shell_tokenizer::tokenize(command, 0), (Boundaries{0, 2}));
}

// The tokenizers give the boundaries of the plain ones written from their handler lists
// (which test every character in full); Keep::Deciding hands over the last boundary at or
// before the limit and every one after it that the full pass records; check_command, which
// reads those, answers as find_overrun over the full lists. Random commands over the
// tokenizers' operator and quote characters and the codes next to the letters' ranges.
TEST(CmdSinkTokenizers, DecidingBoundariesAnswerAsTheFullLists) {
  constexpr std::string_view kAlphabet = "a Zb;|&<>$()`'\"\\^,=@[{\t\n012\xc3\xa9";
  std::mt19937 rng(20261211);
  for (int round = 0; round < 20000; ++round) {
    std::string command;
    const std::size_t length = rng() % 24;
    for (std::size_t i = 0; i < length; ++i) command += kAlphabet[rng() % kAlphabet.size()];
    ASSERT_EQ(bash_tokenizer::tokenize(command),
              quenlith_fuzz::cmd_reference::posix_boundaries(command))
        << command;
    ASSERT_EQ(windows_shell_tokenizer::tokenize(command),
              quenlith_fuzz::cmd_reference::cmd_exe_boundaries(command))
        << command;
    const std::size_t index = rng() % (length + 2);
    const std::size_t len = rng() % 8;
    using Tokenize = Boundaries (*)(std::string_view, std::size_t, Keep);
    for (Tokenize tokenize : {Tokenize{&bash_tokenizer::tokenize},
                              Tokenize{&windows_shell_tokenizer::tokenize}}) {
      const Boundaries all = tokenize(command, index, Keep::All);
      Boundaries deciding;
      for (std::size_t b : all) {
        if (b <= index && !deciding.empty()) deciding.back() = b;
        else deciding.push_back(b);
      }
      ASSERT_EQ(tokenize(command, index, Keep::Deciding), deciding) << command << " @" << index;
    }
    auto full = find_overrun(bash_tokenizer::tokenize(command, index), index, len);
    if (!full) full = find_overrun(windows_shell_tokenizer::tokenize(command, index), index, len);
    ASSERT_EQ(check_command(index, len, command), full) << command << " @" << index << "+" << len;
  }
}

struct CheckCase {
  std::string command;
  std::size_t index;
  std::size_t len;
  std::optional<CmdiSinkResult> expected;
};

constexpr std::size_t kMaxU32 = std::numeric_limits<std::uint32_t>::max();
constexpr std::size_t kMaxSize = std::numeric_limits<std::size_t>::max();

TEST(CmdSinkCheckCommand, WholeChecks) {
  const CheckCase cases[] = {
      {"ls foo; rm -rf /", 3, 7, CmdiSinkResult{3, 10, 6, 3}},
      {"ls foo; rm -rf /", 3, 3, std::nullopt},
      {"echo 'a;b'", 6, 3, CmdiSinkResult{6, 9, 7, 5}},
      {"echo \"a;b\"", 6, 3, std::nullopt},
      {"echo a\\;b", 5, 4, CmdiSinkResult{5, 9, 7, 5}},
      {"echo \\;abc", 5, 5, CmdiSinkResult{5, 10, 6, 5}},
      {"echo \\`id\\`", 5, 6, CmdiSinkResult{5, 11, 7, 4}},
      {"cat $(id)", 4, 5, CmdiSinkResult{4, 9, 6, 4}},
      {"x \"<(b)\" y", 3, 5, CmdiSinkResult{3, 8, 5, 3}},
      {"a=b", 0, 3, CmdiSinkResult{0, 3, 1, 0}},
      // Boundaries at exactly the start or the end do not count.
      {"ls foo; rm -rf /", 2, 1, std::nullopt},
      {"ls foo; rm -rf /", 2, 2, CmdiSinkResult{2, 4, 3, 2}},
      {"ls foo; rm -rf /", 6, 0, std::nullopt},
      {"ls foo; rm -rf /", 0, 0, std::nullopt},
      // The first boundary inside has no predecessor.
      {"`id`", 0, 4, CmdiSinkResult{0, 4, 1, 0}},
      // Empty command, whatever the span.
      {"", 0, 0, std::nullopt},
      {"", 0, 10, std::nullopt},
      {"", kMaxU32, kMaxU32, std::nullopt},
      // Characters, not bytes.
      {"echo \xC3\xA9\xC3\xA9;id", 5, 5, CmdiSinkResult{5, 10, 7, 5}},
      {"echo \xC3\xA9\xC3\xA9;id", 5, 2, std::nullopt},
      // Spans partly or wholly beyond the command, and the largest values.
      {"ls foo; rm -rf /", 100, 5, std::nullopt},
      {"ls foo; rm -rf /", 12, kMaxU32, CmdiSinkResult{12, 12 + kMaxU32, 14, 11}},
      {"ls foo; rm -rf /", kMaxU32, kMaxU32, std::nullopt},
      {"ls foo; rm -rf /", kMaxU32, 0, std::nullopt},
      // An overflowing end saturates rather than wrapping into a short span.
      {"ls foo; rm -rf /", 3, kMaxSize, CmdiSinkResult{3, kMaxSize, 6, 3}},
      {"ls foo; rm -rf /", kMaxSize, kMaxSize, std::nullopt},
      {"ls foo; rm -rf /", kMaxSize - 1, 5, std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(check_command(c.index, c.len, c.command), c.expected)
        << c.command << " (" << c.index << ", " << c.len << ")";
  }
}

TEST(CmdSinkCheckCommand, LogsOnlyWhenTheSecondPassRuns) {
  using log::Level;
  const std::string target = "sorvane::evaluation::rules::cmd_injection";
  {
    log::ScopedLogCapture capture(Level::Debug);
    ASSERT_TRUE(check_command(3, 7, "ls foo; rm -rf /"));  // the POSIX pass answers
    EXPECT_TRUE(capture.records().empty());

    ASSERT_TRUE(check_command(6, 3, "echo 'a;b'"));
    ASSERT_FALSE(check_command(1, 0, "ls"));
    EXPECT_EQ(capture.records(),
              (std::vector<log::CapturedRecord>{
                  {Level::Debug, target,
                   "check_command - result: Some(CmdiSinkResult { start_index: 6, end_index: 9, "
                   "boundary_overrun_index: 7, input_boundary_index: 5 }). input_index: 6. "
                   "input_len: 3. command: echo 'a;b'"},
                  {Level::Debug, target,
                   "check_command - result: None. input_index: 1. input_len: 0. command: ls"},
              }));
  }
  {
    // The command is quoted to its first 128 characters.
    log::ScopedLogCapture capture(Level::Debug);
    std::string long_command;
    for (int i = 0; i < 200; ++i) long_command += "\xC3\xA9";
    check_command(0, 0, long_command);
    ASSERT_EQ(capture.records().size(), 1u);
    EXPECT_THAT(capture.records()[0].message,
                testing::EndsWith(". command: " + long_command.substr(0, 256)));
  }
  {
    log::ScopedLogCapture capture(Level::Info);
    check_command(6, 3, "echo 'a;b'");
    EXPECT_TRUE(capture.records().empty());
  }
}

}  // namespace
}  // namespace sorvane::evaluation::rules::cmd_injection
