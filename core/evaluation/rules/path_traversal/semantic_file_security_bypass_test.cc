#include "core/evaluation/rules/path_traversal/semantic_file_security_bypass.h"

#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/log/capture_for_testing.h"

namespace sorvane::evaluation::rules::path_traversal::semantic_file_security_bypass {
namespace {

constexpr std::optional<std::string_view> kGivesUp = std::nullopt;

TEST(SemanticFileSecurityBypass, Normalisation) {
  const struct {
    std::string path;
    std::optional<std::string_view> normalized;
    bool dangerous;  // with is_custom_code
  } cases[] = {
      {"/etc/passwd", "/etc/passwd", true},
      {"../etc/passwd", kGivesUp, false},
      {"/../etc/passwd", kGivesUp, false},
      {"a/../../etc/passwd", kGivesUp, false},
      {"/a/../etc/passwd", "/etc/passwd", true},
      {"x/y/../../etc/passwd", "etc/passwd", true},
      {"x/.../etc/passwd", "etc/passwd", true},
      {"  /etc//./passwd/.", "/etc/passwd", true},
      {"/etc\\passwd", "/etc/passwd", true},
      {"./etc/passwd", "etc/passwd", true},
      {"/./etc/gshadow", "/etc/gshadow", true},
      {"etc/groups", "etc/groups", true},
      {"/home/u/ntuser.dat", "/home/u/ntuser.dat", true},
      {"/proc/self/environ", "/proc/self/environ", true},
      {"/etc/hosts ", "/etc/hosts", true},
      {"/etc/ hosts", "/etc/ hosts", false},
      {"a/b/../c", "a/c", false},
      {"a/.b", "a/.b", false},
      {".hidden/etc/passwd", ".hidden/etc/passwd", true},
      {"/a/..", "/a", false},
      {"/a/../", "", false},
      {"x/../..", "", false},
      {"ab...", "ab", false},
      {"/x/ab..../y", "/ab.y", false},
      {"C:\\Windows\\win.ini", "C:/Windows/win.ini", false},
      {"\xC3\xA9/../etc/shadow", "etc/shadow", true},
      {"/etc/PASSWD", "/etc/PASSWD", false},
      // Whitespace: skipped before the first other character, ordinary after it,
      // removed at the end (Unicode White_Space throughout).
      {" \t\xE3\x80\x80", "", false},
      {"\xC2\xA0/etc/hosts\xE2\x80\xA8", "/etc/hosts", true},
      {"/etc/ ./passwd", "/etc/ ./passwd", false},
      // A name keeps its first trailing dot; the second forms a "./" step with the
      // separator after it, which is dropped.
      {"/etc../passwd", "/etc.passwd", false},
      {"/a/b/c/../../etc/hosts", "/a/etc/hosts", true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(normalize_path(c.path), c.normalized) << c.path;
    EXPECT_EQ(is_dangerous_path(c.path, true), c.dangerous) << c.path;
  }
}

TEST(SemanticFileSecurityBypass, StreamMarkersAndCustomCodeFlag) {
  const struct {
    std::string path;
    bool is_custom_code;
    bool expected;
  } cases[] = {
      {"file.txt::$DATA", true, true},
      {"file.txt::$DATA", false, true},
      {"dir::$Index", false, true},
      {"../../x::$DATA", true, true},  // the marker wins over giving up
      {"file.txt::$data", false, false},
      {"file.txt:$DATA", false, false},
      {"/etc/passwd", false, false},
      {"", true, false},
      {"", false, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(is_dangerous_path(c.path, c.is_custom_code), c.expected)
        << c.path << " custom=" << c.is_custom_code;
  }
}

TEST(SemanticFileSecurityBypass, LogLines) {
  using log::Level;
  const std::string target =
      "sorvane::evaluation::rules::path_traversal::semantic_file_security_bypass";
  log::ScopedLogCapture capture(Level::Trace);
  is_dangerous_path("/a/../etc/passwd", true);
  is_dangerous_path("/etc/passwd", false);
  is_dangerous_path("", true);  // no line for an empty path
  EXPECT_EQ(capture.records(),
            (std::vector<log::CapturedRecord>{
                {Level::Debug, target,
                 "is_dangerous_path - result: true. is_custom_code: true. path: /a/../etc/passwd"},
                {Level::Trace, target,
                 "is_dangerous_path - result: false. is_custom_code: false. path: /etc/passwd"},
            }));
}

}  // namespace
}  // namespace sorvane::evaluation::rules::path_traversal::semantic_file_security_bypass
