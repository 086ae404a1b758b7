#include "core/evaluation/rules/cmd_injection/semantic_dangerous_path.h"

#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/log/capture_for_testing.h"
#include "core/text/regex.h"

namespace sorvane::evaluation::rules::cmd_injection::semantic_dangerous_path {
namespace {

TEST(SemanticDangerousPath, ContainsDangerousPath) {
  const struct {
    std::string command;
    bool expected;
  } cases[] = {
      {"cat /etc/passwd", true},
      {"cat $HOME/x", false},
      {"cat $X/etc/passwd", true},
      {"cat /etc/pass${X}wd", true},
      {"cat /etc/${a}hosts", true},
      {"cat $A${B}/etc/hosts", true},
      {"cat ${HOME:0:1}etc/passwd", true},
      {"echo ${a:-b}", true},  // any ":" inside braces
      {"cat /etc/$1hosts", false},
      {"cat /et$1c/hosts", false},
      {"cat /etc/pa\"ss\"wd", true},
      {"cat '/etc'/'passwd'", true},
      {"cat /e\\tc/passwd", true},
      {"cat /etc//./passwd", true},
      {"cat /etc/./././passwd", true},
      {"cat ///etc///shadow", true},
      // Each step works on the result of the one before.
      {"cat /'/etc/.'//passwd", true},
      {"cat /etc/.${x}/passwd", true},
      {"cat /ETC/passwd", false},
      {"cat etc/passwd", false},
      {"ls /etc/shadows", true},
      {"cat /etc/hosts.allow", true},
      {"cat /etc/../etc/passwd", true},
      // A "$" that starts no reference stays, and hides nothing.
      {"cat /etc/$/passwd", false},
      {"cat /etc$$/passwd", false},
      // A reference open at the end is dropped; a ":" after it is outside.
      {"cat /etc/passwd${x", true},
      {"cat $x:/etc/hosts", true},
      {"", false},
      // Non-ASCII characters end a name and are kept.
      {"cat $x\xC3\xA9/etc/passwd", true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(contains_dangerous_path(c.command), c.expected) << c.command;
  }
}

// The byte loops that normalise the command answer what the three regular-expression
// replacements they stand for answer, on random commands without variable references
// (dense in quotes, slashes, dots and the letters of the names, with non-ASCII bytes).
TEST(SemanticDangerousPath, NormalisationMatchesTheReplacementsItStandsFor) {
  const text::Regex quotes(R"(['"\\])");
  const text::Regex slashes("//*");
  const text::Regex steps(R"(/\./(\./)*)");
  const auto reference = [&](const std::string& command) {
    const std::string text =
        steps.replace_all(slashes.replace_all(quotes.replace_all(command, ""), "/"), "/");
    return text.find("/etc/passwd") != std::string::npos ||
           text.find("/etc/shadow") != std::string::npos ||
           text.find("/etc/hosts") != std::string::npos;
  };
  const std::vector<std::string> pieces = {"/", ".", "'", "\"", "\\", "/etc", "/./", "//",
                                           "passwd", "hosts", "shadow", "pass", "e", "\xC3\xA9", " "};
  std::mt19937 rng(20261211);
  int found = 0;
  for (int round = 0; round < 20000; ++round) {
    std::string command;
    const int count = static_cast<int>(rng() % 12);
    for (int k = 0; k < count; ++k) command += pieces[rng() % pieces.size()];
    const bool expected = reference(command);
    found += expected;
    ASSERT_EQ(contains_dangerous_path(command), expected) << command;
  }
  EXPECT_GT(found, 100);  // the comparison reached true answers, not only false ones
}

TEST(SemanticDangerousPath, LogsTheCommandItWasGiven) {
  using log::Level;
  const std::string target = "sorvane::evaluation::rules::cmd_injection::semantic_dangerous_path";
  log::ScopedLogCapture capture(Level::Trace);
  contains_dangerous_path("cat '/etc'/passwd");
  contains_dangerous_path("cat $HOME/x");
  EXPECT_EQ(capture.records(),
            (std::vector<log::CapturedRecord>{
                {Level::Debug, target,
                 "contains_dangerous_path - result: true. command: cat '/etc'/passwd"},
                {Level::Trace, target,
                 "contains_dangerous_path - result: false. command: cat $HOME/x"},
            }));
}

}  // namespace
}  // namespace sorvane::evaluation::rules::cmd_injection::semantic_dangerous_path
