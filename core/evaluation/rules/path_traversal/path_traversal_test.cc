#include "core/evaluation/rules/path_traversal/path_traversal.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/evaluation/rules/rule_testing.h"

namespace sorvane::evaluation::rules::path_traversal {
namespace {

using testing::matched_ids;
using Ids = std::vector<std::string_view>;
constexpr std::uint8_t kReferer = 0, kHeaderValue = 4, kParameterValue = 9, kUriPath = 10;

TEST(PathTraversal, Matches) {
  struct Case {
    std::string text;
    std::uint8_t context;
    Ids ids;
  };
  const std::vector<Case> cases = {
      {"../etc/passwd", kParameterValue, {"10A-1-1", "3000-12"}},
      {"../etc/passwd", kHeaderValue, {"10A-1-1", "3000-12"}},
      // The first three rows skip URI paths and Referer values.
      {"../etc/passwd", kUriPath, {"3000-12"}},
      {"../etc/passwd", kReferer, {"3000-12"}},
      {"/etc/hosts", kParameterValue, {"10A-1-0B", "3000-12"}},
      {"x /tmp/a", kParameterValue, {"10A-1-0B"}},
      {"x/tmp/a", kParameterValue, {}},  // the directory must start the text or follow a blank
      {"file://x", kParameterValue, {"10A-1-0A"}},
      {"file://x", kUriPath, {}},
      {"..\\boot.ini", kParameterValue, {"10A-1-1"}},
      {"C:\\Windows\\System32\\x", kParameterValue, {"10A-1-1"}},
      {"\\\\server\\c$\\x", kParameterValue, {"10A-1-1"}},
      {"/WEB-INF/web.xml", kParameterValue, {"3000-12"}},
      {"/WEB-INF/web.xml", kUriPath, {"3000-12"}},
      {"/index.html", kParameterValue, {}},
      {"a..", kParameterValue, {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(matched_ids(instance(), c.text, c.context), c.ids)
        << c.text << " in context " << int(c.context);
  }
}

// Letters, digits and blanks fail the guard; so does a text below 3 bytes.
TEST(PathTraversal, GuardAndMinimumLength) {
  for (const char* text : {"", "foo bar", "etc passwd\t", "..", "./"}) {
    EXPECT_EQ(matched_ids(instance(), text, kParameterValue), Ids{}) << text;
  }
}

// A server name with non-ASCII letters in a UNC path.
TEST(PathTraversal, UncPathWithNonAsciiServerName) {
  EXPECT_EQ(matched_ids(instance(), "\\\\s\xC3\xA9rveur\\c$\\x", kParameterValue), Ids{"10A-1-1"});
}

TEST(PathTraversal, InputTypesAndScore) {
  for (int t = 0; t <= 15; ++t) {
    EXPECT_EQ(instance().applies_to_input_type(static_cast<InputType>(t)), ((0x2F7E >> t) & 1) != 0);
  }
  EXPECT_TRUE(instance().applies_to_input_type(InputType::JsonKey));
  EXPECT_FALSE(instance().applies_to_input_type(InputType::MultipartName));
  EXPECT_EQ(instance().score(testing::levels({2})), 90.0);
  EXPECT_EQ(instance().score({}), 0.0);
}

}  // namespace
}  // namespace sorvane::evaluation::rules::path_traversal
