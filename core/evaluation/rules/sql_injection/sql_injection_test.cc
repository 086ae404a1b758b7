#include "core/evaluation/rules/sql_injection/sql_injection.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "core/evaluation/rules/registry.h"
#include "core/evaluation/match_engine/matches.h"
#include "core/evaluation/rules/rule_testing.h"
#include "core/evaluation/rules/sql_injection/strip.h"

namespace sorvane::evaluation::rules::sql_injection {
namespace {

using testing::matched_ids;
using Ids = std::vector<std::string_view>;
constexpr std::uint8_t kParameterValue = 9;

const std::string kArabicOne = "\xD9\xA1";  // ARABIC-INDIC DIGIT ONE, two bytes

// The window opens behind the first character of the chain match and holds at most 64
// characters.
TEST(SqlInjectionWindow, StartAndLength) {
  struct Case {
    std::string text;
    std::size_t chain_start;
    std::string window;
  };
  const std::string letters70(70, 'a');
  std::string e70;
  for (int i = 0; i < 70; ++i) e70 += "\xC3\xA9";
  const std::vector<Case> cases = {
      {"x' or 1", 1, " or 1"},
      {"a..b", 1, ".b"},                        // behind the first dot
      {"f()))x", 2, "))x"},                     // behind the first parenthesis of the run
      {"1;drop", 0, ";drop"},
      {kArabicOne + ";drop", 0, ";drop"},       // a digit of several bytes
      {"'", 0, ""},
      {"'" + letters70, 0, std::string(64, 'a')},
      {"'" + e70, 0, e70.substr(0, 128)},       // 64 characters, not 64 bytes
      {"'\xF0\x9F", 0, "\xF0\x9F"},             // a cut-off character ends with the text
      {"'ab\xF0", 0, "ab\xF0"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(matching_window(c.text, c.chain_start), c.window) << c.text;
  }
}

// Every successive chain match, by the byte scan and by the expression.
std::vector<text::Span> chain_matches(std::string_view text, bool by_scan) {
  std::vector<text::Span> out;
  for (std::size_t from = 0;;) {
    auto m = by_scan ? find_chain(text, from) : CHAIN_CHARS().find(text, from);
    if (!m) return out;
    out.push_back(*m);
    from = m->end;
  }
}

// The byte scan finds exactly the matches of the expression, digits beyond ASCII and
// malformed sequences included.
TEST(SqlInjectionChain, ScanAgreesWithExpression) {
  const std::vector<std::string> pieces = {
      "'", "\"", "@", "+", ".", "..", ")", "))", "1", "9", ";", "a", " ", "(",
      kArabicOne,              // Nd, two bytes
      "\xEF\xBC\x91",          // FULLWIDTH DIGIT ONE, Nd
      "\xF0\x9D\x9F\x8E",      // MATHEMATICAL BOLD DIGIT ZERO, Nd, four bytes
      "\xC2\xB2",              // SUPERSCRIPT TWO, No: no decimal digit
      "\xE1\x8D\xA9",          // ETHIOPIC DIGIT ONE, No
      "\xD9", "\xA1", "\xF0\x9D",  // cut-off sequences and a lone continuation byte
      "\xC0\xB1", "\xE0\x80\xB1", "\xED\xA0\x80", "\xFF"};  // overlong, surrogate, invalid
  for (const std::string& fixed : std::vector<std::string>{"", "'", "..", "...", ")", "))", ")))x))", "1;", ";1;;", "a1;",
                                  kArabicOne + ";", "\xD9" + kArabicOne + ";"}) {
    EXPECT_EQ(chain_matches(fixed, true), chain_matches(fixed, false)) << fixed;
  }
  std::mt19937 rng(7);
  for (int round = 0; round < 3000; ++round) {
    std::string text;
    const std::size_t count = rng() % 12;
    for (std::size_t i = 0; i < count; ++i) text += pieces[rng() % pieces.size()];
    ASSERT_EQ(chain_matches(text, true), chain_matches(text, false)) << text;
  }
}

// The rule's answer computed the plain way: every window behind every chain match of
// the expression, cleaned, against every row of the table.
std::optional<std::vector<PatternMatch>> plain_answer(std::string_view text) {
  const InputTraits traits = compute_input_traits(text, kParameterValue);
  if ((traits.flags & ~text::char_classes::kAlnum) == 0 || text.size() < 3) return std::nullopt;
  const auto& patterns =
      get_rule_config(3).expect<rule_config::SqlInjection>().patterns;
  for (const text::Span& chain : CHAIN_CHARS().find_all(text)) {
    std::string window(matching_window(text, chain.start));
    if (auto stripped = strip::strip_comments(window)) window = *stripped;
    if (auto separated = strip::replace_separators(window)) window = *separated;
    if (window.size() < 4) continue;
    if (auto found = match_engine::get_matches(patterns, window, traits.context, traits)) {
      return found;
    }
  }
  return std::nullopt;
}

// The short cuts (repeated windows, the chain scan, the pass over the whole input that
// rules out uncleaned windows) never change the answer: long random texts of attack
// fragments, chain characters, comments and separators.
TEST(SqlInjection, AgreesWithPlainEvaluation) {
  const std::vector<std::string> pieces = {
      "'", "'", "\"", "@", "+", "..", "))", "1;", kArabicOne + ";", "/*", "*/", "\x1c",
      " or ", "1=1", "--", " union ", "select", " * from t", "waitfor delay '0", "||",
      "drop", ";", "(", ")", "@@", "=", " ", "a", "b", "x", "\xC3\xA9", "\xFF", "declare @x",
      "exec(@", "having 1=1", "is null", " and ", "or/**/1=1", "union/**/select",
      "or\x1c" "1=1"};
  const char* const kProse[] = {"widget", " ", " or ", "1=1", "select", "12", ",", ".",
                                 ". ", "a.b", "..", "1;", "drop", "-", "%", "(", ")", "\xC3\xA9"};
  std::mt19937 rng(17);
  for (int round = 0; round < 1500; ++round) {
    std::string text;
    // Every third text: a long benign run of quoted words before the fragments, so that
    // the windows handed to the table outgrow the input before the last ones.
    if (round % 3 == 0) {
      for (std::size_t i = rng() % 80; i > 0; --i) text += "'ab";
    }
    const std::size_t count = 1 + rng() % 30;
    // Every other text: mostly prose, where a lone "." or a "1;" may be the only chain.
    const bool prose = round % 2 == 1;
    for (std::size_t i = 0; i < count; ++i) {
      text += prose ? kProse[rng() % std::size(kProse)] : pieces[rng() % pieces.size()];
    }
    const InputTraits traits = compute_input_traits(text, kParameterValue);
    ASSERT_EQ(testing::matches_of(instance(), get_rule_config(3), text, traits),
              plain_answer(text))
        << text;
  }
}

// Runs of one chain character around the window length, with an attack right behind the
// run or one character later.
TEST(SqlInjection, RunsOfOneChainCharacterAgreeWithPlainEvaluation) {
  for (const char c : {'\'', '"', '@', '+', '.', ')'}) {
    for (std::size_t n : {1u, 63u, 64u, 65u, 66u, 67u, 129u, 130u, 200u}) {
      for (const std::string tail : {"", " or 1=1--", "x or 1=1--", "' or 1=1--", "@x=(select 1)"}) {
        const std::string text = std::string(n, c) + tail;
        const InputTraits traits = compute_input_traits(text, kParameterValue);
        ASSERT_EQ(testing::matches_of(instance(), get_rule_config(3), text, traits),
                  plain_answer(text))
            << c << " x" << n << tail;
      }
    }
  }
}

// Windows behind several chain matches of one text, later ones lying inside an earlier one
// that had no match (short texts, where every window ends with the text) or reaching past
// its end, with and without comments and separators in either, and an attack in the part
// only a later window holds.
TEST(SqlInjection, WindowsInsideEarlierWindowsAgreeWithPlainEvaluation) {
  // The short cut needs rows free of anchors and word boundaries.
  const auto& own = get_rule_config(3).expect<rule_config::SqlInjection>();
  ASSERT_EQ(own.gate.anchor_free, (std::uint64_t{1} << own.patterns.size()) - 1);
  const std::string fill50(50, 'a');
  const std::vector<std::string> cases = {
      "Mozilla/5.0 (X11; Linux x86_64; rv:120.0) Gecko/20100101 Firefox/120.0",
      "a1;b2;c3;d4;e5;f6",
      "1;" + fill50 + "2;" + fill50 + "' or 1=1--",
      "1;" + fill50 + "2;" + std::string(10, 'b') + " or 1=1--",
      "x'y'z' or 1=1",
      "a1;b/**/2;c or 1=1",
      "a1;b\x1c" "2;c' or 1=1",
      "1;a/*x*/b" + fill50 + "2; union select 1",
      "@a@b@c@d" + fill50 + "@' or 1=1--",
      "1;" + std::string(62, 'a') + "2;' or 1=1",
  };
  for (const std::string& text : cases) {
    const InputTraits traits = compute_input_traits(text, kParameterValue);
    EXPECT_EQ(testing::matches_of(instance(), get_rule_config(3), text, traits), plain_answer(text))
        << text;
  }
  // Random short texts of a few chain matches and fragments.
  const std::vector<std::string> pieces = {"1;", "'", "@", "+", "..", "))", " or ", "1=1",
                                           "--", "union", " select", "/*", "*/", "\x1c", "ab",
                                           fill50, "x86_64;", "=", "(", "drop"};
  std::mt19937 rng(29);
  for (int round = 0; round < 3000; ++round) {
    std::string text;
    for (std::size_t i = 2 + rng() % 8; i > 0; --i) text += pieces[rng() % pieces.size()];
    const InputTraits traits = compute_input_traits(text, kParameterValue);
    ASSERT_EQ(testing::matches_of(instance(), get_rule_config(3), text, traits), plain_answer(text))
        << text;
  }
}

// Short values of the shapes attackers send in bulk ("' or 7=1--", "1' union select 7--")
// and random short texts of SQL fragments: the table through its gate (literal search, set
// passes) gives the answer of its rows' own expressions, in every context, and so does the
// rule.
TEST(SqlInjection, ShortHostileValuesAgreeWithPlainEvaluation) {
  const std::vector<std::string> pieces = {
      "'", "\"", "`", " or ", "OR ", "||", "1", "7", "=", "<>", "--", ";", " ", "(", ")",
      "union", " select", " all ", "having ", "group by", "@", "@@", "*", " from ", "_",
      "exec", "declare", "sleep(", "a", "x", "\xC3\xA9", "/*", "*/", "\x1c", "is null"};
  const auto& own = get_rule_config(3).expect<rule_config::SqlInjection>();
  std::mt19937 rng(43);
  for (int round = 0; round < 4000; ++round) {
    std::string text;
    switch (round % 4) {
      case 0:
        text = "' or " + std::to_string(rng() % 10000) + "=1--";
        break;
      case 1:
        text = "1' union select " + std::to_string(rng() % 10000) + "--";
        break;
      default:
        for (std::size_t i = 1 + rng() % 6; i > 0 && text.size() < 24; --i) {
          text += pieces[rng() % pieces.size()];
        }
    }
    const std::uint8_t context = round % 7 == 0 ? static_cast<std::uint8_t>(rng() % 16)
                                                : kParameterValue;
    const InputTraits traits = compute_input_traits(text, context);
    ASSERT_EQ(match_engine::get_matches(own.patterns, text, context, traits, own.gate),
              match_engine::get_matches(own.patterns, text, context, traits))
        << text;
    if (context == kParameterValue) {
      ASSERT_EQ(testing::matches_of(instance(), get_rule_config(3), text, traits),
                plain_answer(text))
          << text;
    }
  }
}

TEST(SqlInjection, Matches) {
  const std::string pad70(70, 'a');
  testing::expect_ids(instance(), kParameterValue, {
      {"' or 1=1--", {"PIDS-SQLI-44A", "PIDS-SQLI-48H"}},
      {"x' OR 'a'='a", {"PIDS-SQLI-48H"}},
      {"'/**/or/**/1=1", {"PIDS-SQLI-48H"}},           // comments become blanks
      {"' or\x1c" "1=1", {"PIDS-SQLI-48H"}},           // so do separator controls
      {"'or\x1c" "1=1", {}},                       // "or 1=1" is below the row's 7 bytes
      {"1 union select 1", {}},                        // no chain character at all
      {"'" + pad70 + " or 1=1", {}},                   // beyond the 64-character window
      {"''x", {}},                                     // windows below 4 bytes
      {"' union select 1,2", {"SQLI-UNION-SELECT"}},
      {"' union/**/select 1", {"SQLI-UNION-SELECT"}},
      {"x1; select * from users", {"PIDS-SQLI-4002"}},  // a digit and ";"
      {"a..; select * from t", {"PIDS-SQLI-4002"}},
      {"f(x)); exec(@q)", {"PIDS-SQLI-53"}},
      {"@x=(select 1)", {}},                          // the window starts behind the "@"
      {"'@x=(select 1)", {"PIDS-SQLI-48A"}},
      {"' waitfor delay '0:0:5'", {"PIDS-WAITFOR-DELAY-ATTACK"}},
      {"'; insert into t values (1)", {"PIDS-SQLI-2001"}},
      {"x' || 'a' || 'b'", {}},
      {"x' || 'a' || 'b' || 'c'", {"SQLI-CONCAT-1"}},
      {"it's a nice day", {}},
      {"abc1", {}},
      {"", {}},
      {"ab", {}},
      {"'ab", {}},
  });
}

// Only the first window with matches counts, even when a later one matches other rows.
TEST(SqlInjection, FirstMatchingWindowDecides) {
  const std::string later = "' union select 1";
  EXPECT_EQ(matched_ids(instance(), later, kParameterValue), Ids{"SQLI-UNION-SELECT"});
  EXPECT_EQ(matched_ids(instance(), "' or 1=1" + std::string(60, ' ') + later, kParameterValue),
            Ids{"PIDS-SQLI-48H"});
}

// The rows' character pre-filters read the whole input, their minimum length the window.
TEST(SqlInjection, PreFiltersOfWholeInputAndWindow) {
  // The row needs a ";" somewhere in the input, not in the window.
  EXPECT_EQ(matched_ids(instance(), "' drop table x --", kParameterValue), Ids{});
  EXPECT_EQ(matched_ids(instance(), "' drop table x --" + std::string(70, ' ') + ";",
                        kParameterValue),
            Ids{"SQLI-TABLE-KEYWORDS"});
  // The window "union select" has 12 bytes, below the row's 15, though the input is longer.
  EXPECT_EQ(matched_ids(instance(), std::string(20, 'x') + "'union select", kParameterValue),
            Ids{});
}

// A digit beyond ASCII opens a window; VT is white space.
TEST(SqlInjection, NonAsciiDigitOpensWindow) {
  EXPECT_EQ(matched_ids(instance(), "x" + kArabicOne + "; select * from users", kParameterValue),
            Ids{"PIDS-SQLI-4002"});
  // VT is white space for the expressions.
  EXPECT_EQ(matched_ids(instance(), "' or\v1=1--", kParameterValue),
            (Ids{"PIDS-SQLI-44A", "PIDS-SQLI-48H"}));
}

// Long adversarial inputs are answered (no time limit here; see the benchmark).
TEST(SqlInjection, LongRepetitiveInputs) {
  for (const std::string unit : {"'", "/*", ";", "'/*", "1;", "))", "'\x1c"}) {
    std::string text;
    while (text.size() < 100 * 1024) text += unit;
    EXPECT_EQ(matched_ids(instance(), text, kParameterValue), Ids{}) << unit;
  }
  // The attack at the end is found behind thousands of windows without matches. Behind
  // quotes, the first window to hold "or 1=1" ends before the "--".
  struct Case {
    char filler;
    Ids ids;
  };
  for (const Case& c : {Case{'a', {"PIDS-SQLI-44A", "PIDS-SQLI-48H"}},
                        Case{'\'', {"PIDS-SQLI-48H"}}}) {
    std::string text(100 * 1024, c.filler);
    text += "' or 1=1--";
    EXPECT_EQ(matched_ids(instance(), text, kParameterValue), c.ids) << c.filler;
  }
}

TEST(SqlInjection, Score) {
  struct Case {
    std::vector<std::uint8_t> levels;
    double score;
  };
  const std::vector<Case> cases = {
      {{3}, 90.0},          {{2}, 60.0},          {{2, 0}, 90.0},
      {{2, 1}, 90.0},       {{0, 0, 0, 0}, 10.0}, {{0, 1, 1, 1}, 10.0},
      {{0, 0}, 2.0},        {{1, 1}, 0.0},        {{0, 0, 0}, 3.0},
      {{}, 0.0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(instance().score(testing::levels(c.levels)), c.score) << c.levels.size();
  }
}

TEST(SqlInjection, InputTypes) {
  for (int t = 0; t <= 15; ++t) {
    EXPECT_EQ(instance().applies_to_input_type(static_cast<InputType>(t)), ((0x2F5E >> t) & 1) != 0);
  }
  EXPECT_FALSE(instance().applies_to_input_type(InputType::JsonKey));
  EXPECT_TRUE(instance().implements_worth_watching());
}

}  // namespace
}  // namespace sorvane::evaluation::rules::sql_injection
