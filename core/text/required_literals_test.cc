#include "core/text/required_literals.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace sorvane::text {
namespace {

using Literals = std::optional<std::vector<std::string>>;

TEST(RequiredLiterals, ReadsWhatEveryMatchContains) {
  struct Case {
    const char* source;
    Literals expected;
  } const cases[] = {
      {"union", {{"union"}}},
      {"UNION\\s+SELECT", {{"select"}}},  // the longer side of an unknown part
      {"(?:file|res|telnet)\\s*:", {{"file", "res", "telnet"}}},
      {"[\\\\/]WEB\\-INF[\\\\/]", {{"/web-inf/", "/web-inf\\", "\\web-inf/", "\\web-inf\\"}}},
      {"(?:^|\\s)\\/(?:home|usr)\\/", {{"/home/", "/usr/"}}},
      {"ab(?:cd)+", {{"ab"}}},
      {"(?:cd){2,}x", {{"cd"}}},
      {"abc|de", {{"abc", "de"}}},
      {"sleep\\(", {{"sleep("}}},  // case-sensitive: s stays a literal
      {"(?i)union", {{"union"}}},
      // Under (?i) "k" and "s" also match KELVIN SIGN and LONG S: they break a literal.
      {"(?i)sleep\\(", {{"leep("}}},
      {"(?i:mask)", {{"ma"}}},
      {"(?i)ks", std::nullopt},
      {"x(?i)as(?-i)sab", {{"sab"}}},
      {"[a-c]x", {{"ax", "bx", "cx"}}},
      // Nothing required: optional, starred and alternated-away parts, unknown classes.
      {"(?:union)?", std::nullopt},
      {"(?:union)*x", std::nullopt},
      {"union|.", std::nullopt},
      {"[^a]bc", {{"bc"}}},
      {"\\w+", std::nullopt},
      {"a", std::nullopt},  // shorter than two bytes
      {"caf\xC3\xA9", {{"caf"}}},
      {"x{2}y", std::nullopt},
      {"ab{,", {{"ab"}}},  // a brace that is no repetition is a literal read as unknown
      // Escapes it does not know, and malformed sources, give no set at all.
      {"union\\Qselect\\E", std::nullopt},
      {"union\\x41", std::nullopt},
      {"union\\pL", std::nullopt},
      {"union\\1", std::nullopt},
      {"(union", std::nullopt},
      {"union)", std::nullopt},
      {"[union", std::nullopt},
      {"(?P<n>union)", {{"union"}}},
      {"union(?i)?", std::nullopt},  // the quantifier makes the "n" optional
  };
  for (const Case& c : cases) EXPECT_EQ(required_literals(c.source), c.expected) << c.source;
}

TEST(RequiredLiterals, MinimumLength) {
  EXPECT_EQ(required_literals("ab|c", 1), (Literals{{"ab", "c"}}));
  EXPECT_EQ(required_literals("ab|c"), std::nullopt);
  EXPECT_EQ(required_literals("abc|abcd", 4), std::nullopt);
}

}  // namespace
}  // namespace sorvane::text
