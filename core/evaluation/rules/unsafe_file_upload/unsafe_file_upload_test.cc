#include "core/evaluation/rules/unsafe_file_upload/unsafe_file_upload.h"

#include <gtest/gtest.h>

#include <string>

#include "core/evaluation/rules/rule_testing.h"

namespace sorvane::evaluation::rules::unsafe_file_upload {
namespace {

constexpr std::uint8_t kMultipartName = 12;

TEST(UnsafeFileUpload, FileNames) {
  testing::expect_ids(instance(), kMultipartName, {
      {"shell.php", {"UFU-1"}},
      {"x.PhP", {"UFU-1"}},                 // case-insensitive
      {std::string("a.php\0.jpg", 10), {"UFU-1"}},  // NUL ends the extension too
      {".sh", {"UFU-1"}},                   // exactly the minimum length
      {"web.xml", {"UFU-2"}},
      {"WEB.XML", {"UFU-2"}},
      {"file.php.rar", {"UFU-2"}},
      {"x.php.rar", {"UFU-2"}},
      {"shell.php.jpg", {}},
      {"photo.jpeg", {}},
      {"php", {}},                          // letters only still reach the table, no dot
      {"sh", {}},                           // below the minimum length
      {"", {}},
  });
}

TEST(UnsafeFileUpload, AppliesToMultipartNamesOnly) {
  for (int t = 0; t <= 15; ++t) {
    EXPECT_EQ(instance().applies_to_input_type(static_cast<InputType>(t)), t == 12) << t;
  }
  EXPECT_FALSE(instance().implements_worth_watching());
}

TEST(UnsafeFileUpload, Score) {
  EXPECT_EQ(instance().score(testing::levels({3})), 90.0);
  EXPECT_EQ(instance().score(testing::levels({2})), 90.0);
  EXPECT_EQ(instance().score(testing::levels({1, 0})), 0.0);
  EXPECT_EQ(instance().score({}), 0.0);
}

}  // namespace
}  // namespace sorvane::evaluation::rules::unsafe_file_upload
