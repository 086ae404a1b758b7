#include "core/platform/env.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace sorvane::platform {
namespace {

TEST(FindEnvEntry, MatchesNamesExactlyOrIgnoringCase) {
  const std::vector<std::string_view> entries = {
      "=C:=C:\\work", "PATH=/bin", "Quenlith_Sorvane_Log_Dir=/tmp/a=b", "EMPTY=", "NOEQUALS",
      "QUENLITH_SORVANE_LOG_DIR=/tmp/second"};
  struct Case {
    std::string_view name;
    bool ignore_case;
    std::optional<std::string_view> value;
  };
  const Case cases[] = {
      {"PATH", false, "/bin"},
      {"path", false, std::nullopt},
      {"path", true, "/bin"},
      // The first entry of a name wins; the value may hold '='.
      {"QUENLITH_SORVANE_LOG_DIR", true, "/tmp/a=b"},
      {"QUENLITH_SORVANE_LOG_DIR", false, "/tmp/second"},
      {"EMPTY", false, ""},
      {"NOEQUALS", false, std::nullopt},
      {"=C:", false, "C:\\work"},
      {"PAT", true, std::nullopt},
      {"", true, std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(find_env_entry(entries, c.name, c.ignore_case), c.value)
        << c.name << " ignore_case=" << c.ignore_case;
  }
}

TEST(Utf16ToUtf8, ConvertsPairsAndRejectsLoneSurrogates) {
  EXPECT_EQ(utf16_to_utf8(u"A=\u00e9\u20ac"), "A=\xC3\xA9\xE2\x82\xAC");
  EXPECT_EQ(utf16_to_utf8(u"\U0001F600"), "\xF0\x9F\x98\x80");
  EXPECT_EQ(utf16_to_utf8(u""), "");
  const char16_t lone_high[] = {u'a', 0xD800, u'b', 0};
  const char16_t lone_low[] = {0xDC00, 0};
  const char16_t trailing_high[] = {u'x', 0xDBFF, 0};
  EXPECT_EQ(utf16_to_utf8(lone_high), std::nullopt);
  EXPECT_EQ(utf16_to_utf8(lone_low), std::nullopt);
  EXPECT_EQ(utf16_to_utf8(trailing_high), std::nullopt);
}

#ifdef _WIN32
extern "C" __declspec(dllimport) int __stdcall SetEnvironmentVariableW(const wchar_t* name,
                                                                       const wchar_t* value);

// The process environment holds UTF-16: set straight through the system call, which is what
// get_env reads.
void set_env(const wchar_t* name, const wchar_t* value) { SetEnvironmentVariableW(name, value); }
void unset_env(const wchar_t* name) { SetEnvironmentVariableW(name, nullptr); }

TEST(GetEnv, UnpairedSurrogateCountsAsUnset) {
  const wchar_t lone[] = {L'/', L't', 0xD800, L'x', 0};
  set_env(L"QUENLITH_ENV_TEST_VALID", L"/tmp/caf\u00e9");
  set_env(L"QUENLITH_ENV_TEST_INVALID", lone);
  set_env(L"QUENLITH_ENV_TEST_EMPTY", L"");
  EXPECT_EQ(get_env("QUENLITH_ENV_TEST_VALID"), "/tmp/caf\xC3\xA9");
  EXPECT_EQ(get_env("QUENLITH_ENV_TEST_INVALID"), std::nullopt);
  EXPECT_EQ(get_env("QUENLITH_ENV_TEST_EMPTY"), "");
  EXPECT_EQ(get_env("QUENLITH_ENV_TEST_UNSET_NAME"), std::nullopt);
  unset_env(L"QUENLITH_ENV_TEST_VALID");
  unset_env(L"QUENLITH_ENV_TEST_INVALID");
  unset_env(L"QUENLITH_ENV_TEST_EMPTY");
}

TEST(GetEnv, NamesMatchWithoutRegardToCase) {
  set_env(L"Quenlith_Env_Test_Mixed", L"value");
  EXPECT_EQ(get_env("QUENLITH_ENV_TEST_MIXED"), "value");
  EXPECT_EQ(get_env("quenlith_env_test_mixed"), "value");
  EXPECT_EQ(get_env("QUENLITH_ENV_TEST_MIXE"), std::nullopt);
  unset_env(L"Quenlith_Env_Test_Mixed");
  EXPECT_EQ(get_env("QUENLITH_ENV_TEST_MIXED"), std::nullopt);
}
#else
TEST(GetEnv, InvalidUtf8CountsAsUnset) {
  ::setenv("QUENLITH_ENV_TEST_VALID", "/tmp/caf\xC3\xA9", 1);
  ::setenv("QUENLITH_ENV_TEST_INVALID", "/tmp/\xFF", 1);
  ::setenv("QUENLITH_ENV_TEST_EMPTY", "", 1);
  EXPECT_EQ(get_env("QUENLITH_ENV_TEST_VALID"), "/tmp/caf\xC3\xA9");
  EXPECT_EQ(get_env("QUENLITH_ENV_TEST_INVALID"), std::nullopt);
  EXPECT_EQ(get_env("QUENLITH_ENV_TEST_EMPTY"), "");
  EXPECT_EQ(get_env("QUENLITH_ENV_TEST_UNSET_NAME"), std::nullopt);
  ::unsetenv("QUENLITH_ENV_TEST_VALID");
  ::unsetenv("QUENLITH_ENV_TEST_INVALID");
  ::unsetenv("QUENLITH_ENV_TEST_EMPTY");
}

TEST(GetEnv, NamesMatchExactly) {
  ::setenv("Quenlith_Env_Test_Mixed", "value", 1);
  EXPECT_EQ(get_env("Quenlith_Env_Test_Mixed"), "value");
  EXPECT_EQ(get_env("QUENLITH_ENV_TEST_MIXED"), std::nullopt);
  ::unsetenv("Quenlith_Env_Test_Mixed");
}
#endif

}  // namespace
}  // namespace sorvane::platform
