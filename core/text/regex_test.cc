#include "core/text/regex.h"

#include <gtest/gtest.h>
#include <re2/re2.h>

#include <random>
#include <string>
#include <thread>
#include <vector>

#include "core/fatal_error.h"

namespace sorvane::text {
namespace {

// One character and its memberships of \d, \s and \w.
struct Member {
  const char* name;
  std::string text;
  bool digit, space, word;
};

const std::vector<Member>& members() {
  static const std::vector<Member> list = {
      {"a", "a", false, false, true},
      {"7", "7", true, false, true},
      {"_", "_", false, false, true},
      {"-", "-", false, false, false},
      {"SPACE", " ", false, true, false},
      {"VT", "\v", false, true, false},
      {"LF", "\n", false, true, false},
      {"0x1C", "\x1c", false, false, false},
      {"U+0085", "\u0085", false, true, false},
      {"U+00A0", "\u00a0", false, true, false},
      {"U+2003", "\u2003", false, true, false},
      {"U+3000", "\u3000", false, true, false},
      {"U+200B (no White_Space)", "\u200b", false, false, false},
      {"U+0663 Arabic-Indic three", "\u0663", true, false, true},
      {"U+FF19 fullwidth nine", "\uff19", true, false, true},
      {"U+00B2 superscript two", "\u00b2", false, false, false},
      {"U+2160 Roman one (Nl)", "\u2160", false, false, true},
      {"U+0301 combining acute", "\u0301", false, false, true},
      {"U+00E9", "\u00e9", false, false, true},
      {"U+203F undertie (Pc)", "\u203f", false, false, true},
      {"U+200D ZWJ", "\u200d", false, false, true},
      {"U+24B6 circled A", "\u24b6", false, false, true},
      {"U+1F600", "\U0001F600", false, false, false},
  };
  return list;
}

TEST(RegexClasses, UnicodeMembershipInsideAndOutsideBrackets) {
  struct Form {
    const char* pattern;
    bool (*expected)(const Member&);
  } const forms[] = {
      {R"(^\d$)", [](const Member& m) { return m.digit; }},
      {R"(^\s$)", [](const Member& m) { return m.space; }},
      {R"(^\w$)", [](const Member& m) { return m.word; }},
      {R"(^\D$)", [](const Member& m) { return !m.digit; }},
      {R"(^\S$)", [](const Member& m) { return !m.space; }},
      {R"(^\W$)", [](const Member& m) { return !m.word; }},
      {R"(^[\d]$)", [](const Member& m) { return m.digit; }},
      {R"(^[^\w]$)", [](const Member& m) { return !m.word; }},
      {R"(^[^\s]$)", [](const Member& m) { return !m.space; }},
      {R"(^[\W\d]$)", [](const Member& m) { return !m.word || m.digit; }},
      {R"(^[^\W\d]$)", [](const Member& m) { return m.word && !m.digit; }},
      {R"(^[\s\w-]$)", [](const Member& m) { return m.space || m.word || m.text == "-"; }},
      {R"(^[^\S\n]$)", [](const Member& m) { return m.space && m.text != "\n"; }},
      {R"(^[\S\s]$)", [](const Member&) { return true; }},
      {R"((?i)^[^\w]$)", [](const Member& m) { return !m.word; }},
      {R"((?i)^\w$)", [](const Member& m) { return m.word; }},
  };
  for (const Form& form : forms) {
    Regex re(form.pattern);
    for (const Member& m : members()) {
      EXPECT_EQ(re.is_match(m.text), form.expected(m)) << form.pattern << " on " << m.name;
    }
  }
}

TEST(RegexClasses, ClassesWithoutPerlEscapesKeepTheirMeaning) {
  struct Case {
    const char* pattern;
    const char* text;
    bool match;
  } const cases[] = {
      {R"([\\/])", "a\\b", true},
      {R"(^[^;]$)", "\n", true},  // a negated class matches LF
      {R"(^[]a]+$)", "]a]", true},
      {R"(^[a-]+$)", "-a-", true},
      {R"([\x1c\x1d\x1e\x1f]+)", "a\x1d" "b", true},
      {R"((?i)^[^a-z]$)", "A", false},
      {R"((?i)^[^\da-z]$)", "K", false},
      {R"((?i)^[^\da-z]$)", "\u212a", false},  // KELVIN SIGN folds to k
      {R"(^[\da-fA-F]+$)", "\u0663f", true},
      {R"(^[\da-fA-F]+$)", "g", false},
      {R"(^[\w.$]+$)", "a.$\u00e9", true},
      {R"(^[[:alpha:]]+$)", "abc", true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Regex(c.pattern).is_match(c.text), c.match) << c.pattern << " on " << c.text;
  }
}

TEST(RegexSemantics, AnchorsDotCaseAndEmptyAlternatives) {
  struct Case {
    const char* pattern;
    std::string text;
    bool match;
  } const cases[] = {
      {"^a", "ba", false},
      {"a$", "a\n", false},  // $ is the very end only, not before a final LF
      {"^a$", "a", true},
      {"^$", "", true},
      {"b^", "b", false},
      {"a.b", "a\nb", false},
      {"(?s)a.b", "a\nb", true},
      {"a.b", "a\rb", true},
      {"^a.b$", "a\u00e9b", true},  // the dot takes one whole character
      {"^.$", "\U0001F600", true},
      {"(?i)\u00e9t\u00e9", "\u00c9T\u00c9", true},
      {"(?i)k", "\u212a", true},
      {"(?i:a)b", "AB", false},
      {"||", "", true},
      {"||", "anything", true},
      {"x|", "y", true},
      {"(?:|a)b", "b", true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Regex(c.pattern).is_match(c.text), c.match) << c.pattern << " on " << c.text;
  }
}

TEST(RegexSemantics, AnchorsStayAtTheEndsWhenSearchingFromAnOffset) {
  Regex start("^a");
  EXPECT_EQ(start.find("aa", 0), (Span{0, 1}));
  EXPECT_FALSE(start.find("aa", 1));
  EXPECT_FALSE(Regex("(?:^|x)a").find("aa", 1));
  Regex end("a$");
  EXPECT_EQ(end.find("aab", 1), std::nullopt);
  EXPECT_EQ(end.find("aa", 1), (Span{1, 2}));
  EXPECT_FALSE(end.find("aa", 3));
  EXPECT_EQ(Regex("").find("ab", 2), (Span{2, 2}));
}

TEST(RegexIteration, LeftmostFirstNonOverlapping) {
  struct Case {
    const char* pattern;
    std::string text;
    std::vector<Span> spans;
  } const cases[] = {
      {"a|ab", "abab", {{0, 1}, {2, 3}}},
      {"ab|a", "abab", {{0, 2}, {2, 4}}},
      {"a+?", "aaa", {{0, 1}, {1, 2}, {2, 3}}},
      {"a*", "baaa", {{0, 0}, {1, 4}, {4, 4}}},
      {"x*", "\u00e9", {{0, 0}, {2, 2}}},  // an empty match steps over a whole character
      {"||", "ab", {{0, 0}, {1, 1}, {2, 2}}},
      {R"(['"@+]|\.\.|\)\)+|\d;)", "a'..))3;\u0663;", {{1, 2}, {2, 4}, {4, 6}, {6, 8}, {8, 11}}},
      {"/\\*", "/*/**/", {{0, 2}, {2, 4}}},
      {"z", "abc", {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Regex(c.pattern).find_all(c.text), c.spans) << c.pattern << " on " << c.text;
  }
}

TEST(RegexReplace, InsertsTheReplacementLiterally) {
  struct Case {
    const char* pattern;
    const char* text;
    const char* replacement;
    const char* out;
  } const cases[] = {
      {"b", "abcb", R"(\1\)", R"(a\1\c\1\)"},
      {"(b)", "abc", R"(\0$1\\)", R"(a\0$1\\c)"},
      {"//*", "a//b///c/", "/", "a/b/c/"},
      {R"(/\./(\./)*)", "a/./././b", "/", "a/b"},
      {R"(['"\\])", R"(a'b"c\d)", "", "abcd"},
      {R"(['"\\])", R"(x\1\)", "", "x1"},
      {"b", R"(\1b\)", "c", R"(\1c\)"},
      {"x*", "ab", "-", "-a-b-"},
      {"z", "", "y", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Regex(c.pattern).replace_all(c.text, c.replacement), c.out) << c.pattern;
  }
}

TEST(RegexCapture, AnchoredGroupOne) {
  Regex call(R"(^\s*\.\s*(\w{3,})\s*[(`])");
  EXPECT_EQ(call.anchored_capture1(" . alert("), "alert");
  EXPECT_EQ(call.anchored_capture1(".\u00e9t\u00e9`"), "\u00e9t\u00e9");
  EXPECT_EQ(call.anchored_capture1("x.alert("), std::nullopt);  // not at the start
  EXPECT_EQ(call.anchored_capture1(".ab("), std::nullopt);
  EXPECT_EQ(Regex("(a)?b").anchored_capture1("b"), std::nullopt);  // group took no part
  EXPECT_EQ(Regex("ab").anchored_capture1("ab"), std::nullopt);    // no group at all
  // Anchored at the start only: the rest of the text may follow.
  EXPECT_EQ(Regex("(a+)").anchored_capture1("aab"), "aa");
}

constexpr const char* kSqlKeywords =
    R"((?i)\b(?:select|begin|between|create|case|column_name|from|delete|drop|execute|group|insert|limit|like|merge|order|outfile|alter|current_user|session_user|syslogins|update|union|where|UTL_INADDR|UTL_HTTP|then|when|concat|exec|collate|ascii|strcmp|load_file|(pg_)?sleep|delay)\b)";

constexpr const char* kPipeChained =
    R"((?i:(?:&|\||;|`|\$\(|\$\{)\s*(?:(?:rename|move|copy|deltree|del|dir|hostname|ifconfig|ipconfig|netsh|netstat|systeminfo|sysinfo|whoami|wscript|cscript|wmic|PowerShell_ISE|qprocess|regedit|regini|winrm|wpeutil|ntdsutil|taskkill|certutil|mapisend|shellrunas)|(?:(?:/+usr/+bin/+env\s+)|(?:/+bin/+))?(?:mv|cp|ln|ls|chmod|kill|grep|sleep|which|ping|mkdir|uname|shutdown|touch[^;]|fetch|cat|rm|timeout|system|curl|nc|scp|sftp|tftp|wget|echo|(?:ba|c|fi|tc|a|z|da)?sh))\b))";

constexpr const char* kCommandAlternatives =
    R"((?:^\s*(?i:powershell|powershell.exe|bash|sh)\s+\S+)|(?:(?:;|\||&|\$\{|\$\(|`).*?(?i:certutil|cmd.exe|cmd|copy|whoami|cat|touch|wget)\b)|(?:(?:[/\\])(?i:tmp|opt|etc)))";

TEST(RegexWordBoundary, UnicodeNeighbours) {
  struct Case {
    const char* pattern;
    std::string text;
    bool match;
  } const cases[] = {
      {kSqlKeywords, "select", true},
      {kSqlKeywords, "SeLeCt 1", true},
      {kSqlKeywords, "\u00e9select", false},
      {kSqlKeywords, "\u00e9 select", true},
      {kSqlKeywords, "select\u00e9", false},
      {kSqlKeywords, "select\u0301", false},  // a combining mark is a word character
      {kSqlKeywords, "\u0663select", false},
      {kSqlKeywords, "\u00a0select\u00a0", true},
      {kSqlKeywords, "\u2003select", true},
      {kSqlKeywords, "selects", false},
      {kSqlKeywords, "select_", false},
      {kSqlKeywords, "(select)", true},
      {kSqlKeywords, "x-select", true},
      {kSqlKeywords, "pg_sleep(1)", true},
      {kSqlKeywords, "xpg_sleep", false},
      {kSqlKeywords, "sleepy", false},
      {kSqlKeywords, "a selected b from", true},  // the second keyword decides
      {kSqlKeywords, "fromage", false},
      {R"(\bprocess\s*\.)", "process.env", true},
      {R"(\bprocess\s*\.)", "\u00e9process.env", false},
      {R"(\bprocess\s*\.)", "\u00b2process.env", true},  // superscript two is no word char
      {R"(\bObject[\s\n]*\.)", "x=Object.keys", true},
      {R"(\bObject[\s\n]*\.)", "myObject.keys", false},
      {kCommandAlternatives, ";cat", true},
      {kCommandAlternatives, ";cat\u00e9", false},
      {kCommandAlternatives, ";cat \u00e9", true},
      {kCommandAlternatives, ";catalog", false},
      {kCommandAlternatives, "x /etc", true},  // another alternative, no boundary needed
      {kPipeChained, "; ls", true},
      {kPipeChained, "; lsblk", false},
      {kPipeChained, "; ls\u00e9", false},
      {kPipeChained, "&& whoami", true},
      {kPipeChained, "| /usr/bin/env bash", true},
      {kPipeChained, "; touchx", true},         // [^;] a word char, then the end
      {kPipeChained, "; touchxy", false},
      {kPipeChained, "; touch\u00e9", true},
      {kPipeChained, "; touch\u00e9\u00e9", false},
      {kPipeChained, "; touch a", true},        // [^;] a blank, then a word char
      {kPipeChained, "; touch \u00e9", true},
      {kPipeChained, "; touch  ", false},
      {kPipeChained, "; touch ;", false},
      {kPipeChained, "; touch", false},
      {kPipeChained, "; touch\n\u0663", true},
      {"a\\b|b", "b", true},
      {"(?:x|\\bfoo)", "afoo", false},
      {"(?:x|\\bfoo)", "a foo", true},
      {"[^;]\\b", "\u00e9", true},
      {"[^;]\\b", " ", false},
      {"\\b[^;]", " \u00e9", true},
      {"\\b[^;]", "  ", false},
      {"\\b[^;]\\b", "\u00e9", true},
      {"\\b[^;]\\b", "\u00e9\u00e9", false},
      {"(?s)\\b.", "\n\u00e9", true},
      {"(?s)\\b.", "\n\n", false},
      {"x\\b", "x", true},
      {"-\\b", "-a", true},  // after a non-word character the next must be a word character
      {"-\\b", "-", false},
  };
  for (const Case& c : cases) {
    auto compiled = Regex::try_compile(c.pattern);
    ASSERT_TRUE(compiled) << c.pattern << ": " << compiled.error();
    auto re = std::move(*compiled);
    ASSERT_TRUE(re) << c.pattern;
    EXPECT_EQ(re->is_match(c.text), c.match) << c.pattern << " on " << c.text;
  }
}

// On ASCII texts without VT the Unicode classes and boundary agree with the engine's own
// ASCII ones, which tests the rewriting of \b against an independent implementation.
TEST(RegexWordBoundary, AgreesWithAsciiBoundaryOnAsciiTexts) {
  const char* patterns[] = {kSqlKeywords, kPipeChained, kCommandAlternatives,
                            R"(\bprocess\s*\.)", "\\b[^;]\\b", "(?:x|\\bfoo)|bar\\b"};
  const std::string alphabet[] = {" ", ";", "&", "|", "x", "_", "1", "-", "\n",
                                  "select", "SELECT", "touch", "ls", "cat", "foo",
                                  "bar", "pg_", "sleep", "process", ".", "/usr/bin/env ", "sh"};
  std::mt19937 rng(42);
  for (const char* pattern : patterns) {
    Regex ours(pattern);
    RE2 reference(pattern);
    ASSERT_TRUE(reference.ok()) << pattern;
    for (int i = 0; i < 3000; ++i) {
      std::string text;
      const int pieces = static_cast<int>(rng() % 6);
      for (int k = 0; k < pieces; ++k) text += alphabet[rng() % std::size(alphabet)];
      ASSERT_EQ(ours.is_match(text), RE2::PartialMatch(text, reference))
          << pattern << " on [" << text << "]";
    }
  }
}

// Malformed patterns and \b the wrapper cannot translate exactly are refused at compile
// time: an error from try_compile, a fatal error from the constructor.
TEST(RegexCompile, RefusesMalformedPatternsAndUntranslatableBoundaries) {
  const char* refused[] = {
      "(", ")", "[a", "a{2,1}", "*a", "(?<", "(?=a)", "a\\", "\\1", "[\\d[:alpha:]]", "\xff",
      "a\\bb",          // \b in the middle
      "\\b",            // nothing next to it
      "x(?:\\bfoo)",    // not at the very start
      "(?:\\bfoo)+",    // repeated
      "\\b(?:-)?b",     // mixed kinds behind an optional part
      "\\b\\bfoo",
      "foo\\b(?:x)?",   // not at the very end
      "\\b(?:a|)",      // an empty alternative next to it
      "\\Bfoo",
      "\\b\\pLx",       // neighbour of unknown kind
  };
  for (const char* pattern : refused) {
    auto compiled = Regex::try_compile(pattern);
    ASSERT_FALSE(compiled) << pattern;
    EXPECT_FALSE(compiled.error().empty()) << pattern;
    EXPECT_THROW(Regex{pattern}, FatalError) << pattern;
  }
}

TEST(RegexWordBoundary, AnswersIsMatchOnly) {
  Regex re(kSqlKeywords);
  EXPECT_TRUE(re.is_match_only());
  EXPECT_FALSE(Regex("select").is_match_only());
  EXPECT_THROW(re.find("select"), FatalError);
  EXPECT_THROW(re.find_all("select"), FatalError);
  EXPECT_THROW(re.replace_all("select", ""), FatalError);
  EXPECT_THROW(re.anchored_capture1("select"), FatalError);
}

TEST(RegexBadInput, AnyBytesAndLengthsYieldAnAnswer) {
  const std::string texts[] = {
      "",
      std::string("\0select\0", 8),
      "\xff" "select",
      "select\xc3",            // truncated sequence at the end
      "\xc0\xaf" "etc",        // overlong
      "\xed\xa0\x80" "abc",    // encoded surrogate
      "\xf4\x90\x80\x80",      // above U+10FFFF
      "\x80\x80\x80",
  };
  Regex dot("^.+$"), word(R"(\w+)"), negated("[^a]"), keyword(kSqlKeywords), plain("select");
  for (const std::string& t : texts) {
    (void)dot.is_match(t);
    (void)word.find_all(t);
    (void)negated.replace_all(t, "-");
    (void)keyword.is_match(t);
    (void)Regex("").find_all(t);
  }
  EXPECT_TRUE(plain.is_match("\xff" "select\xc3"));
  EXPECT_FALSE(dot.is_match("\xff"));  // an invalid byte is no character
  EXPECT_EQ(word.find_all("ab\xff" "cd"), (std::vector<Span>{{0, 2}, {3, 5}}));
  EXPECT_EQ(Regex("x*").find_all("\xff\xfe").size(), 3u);

  const std::string big(4 << 20, 'a');
  EXPECT_TRUE(word.is_match(big));
  EXPECT_FALSE(Regex(R"(\s)").is_match(big));
  EXPECT_FALSE(keyword.is_match(big));
  EXPECT_EQ(Regex("a+").find_all(big).size(), 1u);
}

TEST(RegexThreads, SharedExpressionAnswersTheSameEverywhere) {
  // Enough searches per thread that every thread but the first goes on with copies.
  const Regex re(kSqlKeywords);
  const Regex spans(R"(\d+)");
  const Regex capture(R"((\w+)=)");
  const std::vector<std::string_view> sources = {kSqlKeywords, R"(\d$)", "x"};
  auto compiled_set = RegexSet::try_compile(sources);
  ASSERT_TRUE(compiled_set) << compiled_set.error();
  const auto set = std::move(*compiled_set);
  ASSERT_TRUE(set);
  std::vector<std::thread> threads;
  std::vector<int> failures(8, 0);
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 2000; ++i) {
        if (!re.is_match("x union select 1") || re.is_match("\u00e9select")) ++failures[t];
        if (spans.find_all("a1b22\u0663").size() != 2) ++failures[t];
        if (capture.anchored_capture1("k\u00e9y=1") != "k\u00e9y") ++failures[t];
        if (set->matching("a select 1") != std::vector<std::size_t>{0, 1}) ++failures[t];
        if (set->any_match("abc") != false) ++failures[t];
      }
    });
  }
  for (auto& th : threads) th.join();
  for (int f : failures) EXPECT_EQ(f, 0);
}

}  // namespace
}  // namespace sorvane::text

namespace sorvane::text {
namespace {

// Random patterns: the wrapper either refuses them or, on ASCII texts without VT, answers
// like the engine's own ASCII classes and boundary.
TEST(RegexTranslation, RandomPatternsAgreeWithAsciiSemantics) {
  const std::string atoms[] = {"a", "b", "_", "-", " ", ";", ".", "^", "$", "|", "(", ")",
                               "(?:", "(?i)", "(?i:", "(?s:", "[", "]", "[^", "\\d", "\\s",
                               "\\w", "\\D", "\\S", "\\W", "\\b", "*", "+", "?", "{2}", "{1,}",
                               "\\.", "\\\\", "\\x41", "\\n", "a-z", "\\]", "{", "}", ":"};
  const std::string text_atoms[] = {"a", "A", "b", "_", "-", " ", ";", ".", "\n", "1", "x", "{", "}"};
  std::mt19937 rng(11);
  int compared = 0;
  for (int round = 0; round < 20000; ++round) {
    std::string pattern;
    const int n = 1 + static_cast<int>(rng() % 8);
    for (int k = 0; k < n; ++k) pattern += atoms[rng() % std::size(atoms)];
    auto compiled = Regex::try_compile(pattern);
    RE2::Options options;
    options.set_log_errors(false);
    RE2 reference(pattern, options);
    if (!compiled) {
      EXPECT_FALSE(compiled.error().empty()) << pattern;
      continue;
    }
    const auto ours = std::move(*compiled);
    ASSERT_TRUE(reference.ok()) << pattern << " compiles here only";
    ++compared;
    for (int t = 0; t < 20; ++t) {
      std::string text;
      const int len = static_cast<int>(rng() % 6);
      for (int k = 0; k < len; ++k) text += text_atoms[rng() % std::size(text_atoms)];
      ASSERT_EQ(ours->is_match(text), RE2::PartialMatch(text, reference))
          << pattern << " on [" << text << "]";
      if (!ours->is_match_only()) {
        auto ref_match = [&]() -> std::optional<Span> {
          re2::StringPiece m;
          if (!reference.Match(text, 0, text.size(), RE2::UNANCHORED, &m, 1)) return std::nullopt;
          const auto start = static_cast<std::size_t>(m.data() - text.data());
          return Span{start, start + m.size()};
        };
        ASSERT_EQ(ours->find(text), ref_match()) << pattern << " on [" << text << "]";
      }
    }
  }
  EXPECT_GT(compared, 1000);
}

// A set answers for each of its expressions exactly what the expression answers alone:
// random groups of random patterns (anchors, empty alternatives and \b among them) on
// random texts.
TEST(RegexSetAnswers, AgreeWithEachExpression) {
  const std::string atoms[] = {"a", "b", "_", "-", " ", ";", ".", "^", "$", "|", "(?:", ")",
                               "(?i)", "(?s:", "[^", "]", "\\d", "\\s", "\\w", "\\W", "\\b",
                               "*", "+", "?", "{2}", "\\.", "\u00e9", "\\x{663}"};
  const std::string text_atoms[] = {"a", "A", "b", "_", "-", " ", ";", ".", "\n", "1",
                                    "\u00e9", "\u0663", "\u00a0", "\xff"};
  std::mt19937 rng(5);
  for (int round = 0; round < 3000; ++round) {
    std::vector<std::string> sources;
    std::vector<std::unique_ptr<Regex>> each;
    const std::size_t size = rng() % 6;
    while (sources.size() < size) {
      std::string pattern;
      const int n = 1 + static_cast<int>(rng() % 6);
      for (int k = 0; k < n; ++k) pattern += atoms[rng() % std::size(atoms)];
      auto re = Regex::try_compile(pattern);
      if (!re) continue;
      sources.push_back(pattern);
      each.push_back(std::move(*re));
    }
    const std::vector<std::string_view> views(sources.begin(), sources.end());
    auto compiled_set = RegexSet::try_compile(views);
    ASSERT_TRUE(compiled_set) << compiled_set.error();
    const auto set = std::move(*compiled_set);
    ASSERT_EQ(set->size(), size);
    for (int t = 0; t < 10; ++t) {
      std::string text;
      const int len = static_cast<int>(rng() % 7);
      for (int k = 0; k < len; ++k) text += text_atoms[rng() % std::size(text_atoms)];
      std::vector<std::size_t> expected;
      for (std::size_t i = 0; i < size; ++i) {
        if (each[i]->is_match(text)) expected.push_back(i);
      }
      ASSERT_EQ(set->matching(text), expected) << sources.size() << " on [" << text << "]";
      ASSERT_EQ(set->any_match(text), !expected.empty()) << "[" << text << "]";
    }
  }
}

TEST(RegexSetCompile, FirstFailingPatternIsReported) {
  const std::vector<std::string_view> patterns = {"a", "(b", "c"};
  auto refused = RegexSet::try_compile(patterns);
  ASSERT_FALSE(refused);
  EXPECT_FALSE(refused.error().empty());
  const std::vector<std::string_view> untranslatable = {"a\\bb"};
  auto untranslated = RegexSet::try_compile(untranslatable);
  ASSERT_FALSE(untranslated);
  EXPECT_FALSE(untranslated.error().empty());
}

}  // namespace
}  // namespace sorvane::text
