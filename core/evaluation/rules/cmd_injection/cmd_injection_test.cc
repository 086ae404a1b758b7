#include "core/evaluation/rules/cmd_injection/cmd_injection.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/evaluation/rules/cmd_injection/worth_watching.h"
#include "core/evaluation/rules/rule_testing.h"

namespace sorvane::evaluation::rules::cmd_injection {
namespace {

using testing::matched_ids;
using Ids = std::vector<std::string_view>;
constexpr std::uint8_t kParameterValue = 9;

TEST(CmdInjection, Matches) {
  testing::expect_ids(instance(), kParameterValue, {
      {"; cat /etc/passwd", {"PIPE-CAT-PWD", "PIPE-CHAINED-OPS"}},
      {"cat\t/etc/hosts", {"PIPE-CAT-PWD"}},
      {"net user", {"CMD-SYSTEM-3"}},
      {"NET  LocalGroup", {"CMD-SYSTEM-3"}},
      {"x;sc query svc", {"CMD-SYSTEM-2"}},
      {"sc.exe stop", {"CMD-SYSTEM-2"}},
      {"scx query svc", {}},
      {"reg query HKLM", {"CMD-SYSTEM-4"}},
      {"psexec \\\\host", {"CMD-SYSTEM-5"}},
      {"cmd.exe /c dir", {"PIPE-NC-SHELL-2"}},
      {"powershell -e abc", {"PIPE-NC-SHELL-2"}},
      {"bash -i >& /dev/tcp", {"PIPE-NC-SHELL-2"}},
      {"a; ls", {"PIPE-CHAINED-OPS"}},
      {"a|/bin/ls", {"PIPE-CHAINED-OPS"}},
      {"$(whoami)", {"PIPE-CHAINED-OPS"}},
      {"`id`; sleep 5", {"PIPE-CHAINED-OPS"}},
      {"a; lsblk", {}},  // the command name must end at a word boundary
      {"hello, world", {}},
  });
}

// Letters and digits only fail the guard; texts below 5 bytes are not matched.
TEST(CmdInjection, GuardAndMinimumLength) {
  for (const char* text : {"", "ls", "netuser", ";ls", "a;ls"}) {
    EXPECT_EQ(matched_ids(instance(), text, kParameterValue), Ids{}) << text;
  }
}

// White space and word characters beyond ASCII.
TEST(CmdInjection, UnicodeClasses) {
  // VT and NO-BREAK SPACE are white space; a letter before "sc" is no word boundary.
  EXPECT_EQ(matched_ids(instance(), "net\vuser", kParameterValue), Ids{"CMD-SYSTEM-3"});
  EXPECT_EQ(matched_ids(instance(), "net\xC2\xA0user", kParameterValue), Ids{"CMD-SYSTEM-3"});
  EXPECT_EQ(matched_ids(instance(), "\xC3\xA9sc query x", kParameterValue), Ids{});
}

TEST(CmdInjection, WorthWatching) {
  struct Case {
    std::string text;
    bool expected;
  };
  const std::vector<Case> cases = {
      {"; ls", true},
      {"/tmp", true},
      {"x/windows", true},
      {"x\\Windows", false},  // a backslash is not of class 0x20
      {"bash -c id", true},
      {"  sh -x", true},
      {"a|whoami", true},
      {"&& echo hi", true},
      {"${IFS}cat", true},
      {"a|b", false},       // a separator, but no command behind it
      {"ls", false},        // below 3 bytes
      {"bash x", false},    // no character of class 0x20
      {"a/b", false},
      {"; lsblk", false},   // no word boundary after "ls"
  };
  for (const Case& c : cases) {
    EXPECT_EQ(testing::worth_watching(instance(), c.text, kParameterValue), c.expected) << c.text;
  }
  EXPECT_TRUE(instance().implements_worth_watching());
  EXPECT_EQ(worth_watching::COMMANDS().pattern().size(), 628u);
}

TEST(CmdInjection, InputTypesAndScore) {
  EXPECT_FALSE(instance().applies_to_input_type(InputType::UriPath));
  EXPECT_TRUE(instance().applies_to_input_type(InputType::UrlParameter));
  EXPECT_FALSE(instance().applies_to_input_type(InputType::JsonKey));
  EXPECT_TRUE(instance().applies_to_input_type(InputType::XmlValue));
  EXPECT_EQ(instance().score(testing::levels({2, 2})), 90.0);
  EXPECT_EQ(instance().score({}), 0.0);
}

}  // namespace
}  // namespace sorvane::evaluation::rules::cmd_injection
