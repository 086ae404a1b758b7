#include "core/evaluation/input_analysis/rule_loop.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "core/evaluation/input_analysis/testing/arbitrary.h"
#include "core/log/capture_for_testing.h"
#include "core/evaluation/rules/bot_blocker/bot_blocker.h"
#include "core/evaluation/rules/registry.h"
#include "core/evaluation/rules/prototype_pollution/prototype_pollution.h"

namespace sorvane::evaluation::rules {
void PrintTo(const Finding& f, std::ostream* os) {
  *os << "{" << rule_name(f.rule) << " " << input_type_name(f.input_type) << " " << f.score;
  for (auto id : f.ids) *os << " " << id;
  *os << "}";
}
}  // namespace sorvane::evaluation::rules

namespace sorvane::evaluation::input_analysis::rule_loop {
namespace {

using log::Level;
using rules::Finding;
using rules::PatternMatch;
using log::CapturedRecord;
using log::ScopedLogCapture;

using Matches = std::vector<PatternMatch>;

// A stand-in rule: matches (or watches) texts holding a marker word.
class FakeRule final : public rules::Rule {
 public:
  FakeRule(std::uint8_t index, bool applies, bool watches,
           std::optional<std::vector<PatternMatch>> matches, double score)
      : index_(index), applies_(applies), watches_(watches), matches_(std::move(matches)),
        score_(score) {}

  std::optional<rules::RuleConfig> init() const override { return std::nullopt; }
  std::uint8_t get_index() const override { return index_; }
  bool applies_to_input_type(InputType) const override { return applies_; }
  bool implements_worth_watching() const override { return watches_; }
  bool is_worth_watching(const rules::RuleConfig&, std::string_view text,
                         const rules::InputTraits&) const override {
    return text.find("watch") != std::string_view::npos;
  }
  void get_matches(const rules::RuleConfig&, std::string_view text, const rules::InputTraits&,
                   std::vector<PatternMatch>& matches) const override {
    if (text.find("match") == std::string_view::npos || !matches_) return;
    matches.insert(matches.end(), matches_->begin(), matches_->end());
  }
  double score(const std::vector<PatternMatch>&) const override { return score_; }

 private:
  std::uint8_t index_;
  bool applies_, watches_;
  std::optional<std::vector<PatternMatch>> matches_;
  double score_;
};

// Bit 1: two matches scoring 0; bit 2: never applies; bit 4: matches nothing; bit 8: a
// worth-watching rule scoring 60; bits 64 and 512: the real bot blocker and prototype
// pollution rules, with the bot blocker's registry configuration.
const RuleTable& fake_table() {
  static const FakeRule zero(0, true, false, Matches{{"Z-1", 0}, {"Z-2", 1}}, 0.0);
  static const FakeRule not_applicable(1, false, false, Matches{{"N-1", 3}}, 90.0);
  static const FakeRule none(2, true, false, std::nullopt, 0.0);
  static const FakeRule watching(3, true, true, Matches{{"W-1", 2}}, 60.0);
  static const rules::RuleConfig empty{rules::rule_config::MethodTampering{}};
  static const RuleTable table = make_rule_table(
      {&zero, &not_applicable, &none, &watching, nullptr, nullptr,
       &rules::bot_blocker::instance(), nullptr, nullptr, &rules::prototype_pollution::instance()},
      {&empty, &empty, &empty, &empty, nullptr, nullptr, &rules::get_rule_config(6), nullptr,
       nullptr, &empty});
  return table;
}

std::vector<Finding> run_input(std::string_view text, std::vector<rules::RuleType> list,
                               bool prefer) {
  auto traits = rules::compute_input_traits(text, 9);
  return run(text, InputType::ParameterValue, traits, list, prefer, nullptr, fake_table());
}

std::vector<Finding> run_header(std::string_view name, std::string_view value,
                                std::vector<rules::RuleType> list, bool prefer) {
  const Header header{name, name == "User-Agent"};
  auto traits = rules::compute_input_traits(value, 4);
  return run(value, InputType::HeaderValue, traits, list, prefer, &header, fake_table());
}

constexpr auto kPV = InputType::ParameterValue;
constexpr auto kHV = InputType::HeaderValue;

TEST(RuleLoop, FindingsInListOrder) {
  struct Case {
    const char* what;
    std::string text;
    std::vector<rules::RuleType> list;
    bool prefer;
    std::vector<Finding> findings;
  };
  const Finding zero{{"Z-1", "Z-2"}, 0.0, 1, kPV};
  const Case cases[] = {
      {"empty list", "match watch", {}, false, {}},
      {"no single rule bit", "match watch", {0, 3, 1024, 0xFFFF}, false, {}},
      {"score 0 still a finding; duplicates evaluated twice",
       "match", {1, 2, 4, 8, 1}, false, {zero, {{"W-1"}, 60.0, 8, kPV}, zero}},
      {"not applicable, no matches", "match", {2, 4}, false, {}},
      {"worth watching answers alone", "match watch", {8}, true, {{{}, 10.0, 8, kPV}}},
      {"worth watching false: no get_matches", "match", {8}, true, {}},
      {"rules without pre-screen match as usual", "match", {1, 8}, true, {zero}},
      {"prefer off: get_matches", "watch match", {8}, false, {{{"W-1"}, 60.0, 8, kPV}}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(run_input(c.text, c.list, c.prefer), c.findings) << c.what;
  }
}

TEST(RuleLoop, BotShortCut) {
  struct Case {
    const char* what;
    std::string name;
    std::string value;
    std::vector<rules::RuleType> list;
    std::vector<Finding> findings;
  };
  const Finding bot{{"Nikto"}, 90.0, 64, kHV};
  const Case cases[] = {
      {"earlier findings discarded", "User-Agent", "match Nikto", {1, 8, 64}, {bot}},
      {"later rules never reached", "User-Agent", "match Nikto", {64, 1, 8}, {bot}},
      {"first bot only", "User-Agent", "Zeus Nikto Zeus", {64}, {{{"Zeus"}, 90.0, 64, kHV}}},
      {"no bot ends the evaluation empty", "User-Agent", "match", {1, 64, 8}, {}},
      {"without the bot blocker", "User-Agent", "match", {8}, {{{"W-1"}, 60.0, 8, kHV}}},
      {"other header: bot blocker matches nothing", "X-Agent", "Nikto match", {64, 8},
       {{{"W-1"}, 60.0, 8, kHV}}},
      {"prototype key in a header value", "X-Key", "__proto__", {512},
       {{{"PROTO-POLLUTION-1"}, 90.0, 512, kHV}}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(run_header(c.name, c.value, c.list, false), c.findings) << c.what;
  }
}

TEST(RuleLoop, InputLogLines) {
  constexpr std::string_view T = kInputTarget;
  struct Case {
    std::string text;
    std::vector<rules::RuleType> list;
    bool prefer;
    std::vector<CapturedRecord> records;
  };
  const Case cases[] = {
      {"match", {1, 8, 4}, false,
       {{Level::Debug, std::string(T), "input: match, Z-1,Z-2"},
        {Level::Debug, std::string(T),
         "unsafe-file-upload - evaluated 'ParameterValue'. score: 0. prefer_worth_watching: "
         "false. input: match"},
        {Level::Debug, std::string(T), "input: match, W-1"},
        {Level::Debug, std::string(T),
         "sql-injection - evaluated 'ParameterValue'. score: 60. prefer_worth_watching: false. "
         "input: match"},
        {Level::Trace, std::string(T),
         "reflected-xss - evaluated 'ParameterValue'. score: 0. prefer_worth_watching: false. "
         "input: match"}}},
      {"watch", {8}, true,
       {{Level::Debug, std::string(T),
         "sql-injection - evaluated 'ParameterValue'. score: 10. prefer_worth_watching: true. "
         "input: watch"}}},
      {"match", {8}, true, {}},
      {"match", {2, 0, 3}, false, {}},
  };
  for (const Case& c : cases) {
    ScopedLogCapture capture;
    run_input(c.text, c.list, c.prefer);
    EXPECT_EQ(capture.records(), c.records) << c.text;
  }
}

TEST(RuleLoop, HeaderLogLines) {
  const std::string T(kHeaderTarget);
  struct Case {
    std::string name;
    std::string value;
    std::vector<rules::RuleType> list;
    bool prefer;
    std::vector<CapturedRecord> records;
  };
  const Case cases[] = {
      {"X-Test", "match", {1, 4}, false,
       {{Level::Debug, T,
         "unsafe-file-upload - Evaluated 'HeaderValue'. score: 0. prefer_worth_watching: false. "
         "name: 'X-Test'. value: match"},
        {Level::Trace, T,
         "reflected-xss - Evaluated 'HeaderValue'. score: 0. prefer_worth_watching: false. "
         "name: 'X-Test'. value: match"}}},
      {"X-Test", "match", {8}, false,
       {{Level::Debug, T,
         "sql-injection - Evaluated 'HeaderValue'. score: 60. prefer_worth_watching: false. "
         "name: 'X-Test'. value: match"}}},
      {"X-Test", "watch", {8}, true,
       {{Level::Debug, T,
         "sql-injection - Evaluated 'HeaderValue' using fast path. score: 10. name: 'X-Test'. "
         "value: watch"}}},
      {"X-Test", "match", {8}, true,
       {{Level::Debug, T,
         "sql-injection - Evaluated 'HeaderValue' using fast path. score: 0. name: 'X-Test'. "
         "value: match"}}},
      {"User-Agent", "Nikto", {64}, false,
       {{Level::Debug, T,
         "bot-blocker - Evaluated 'HeaderValue' for bad bot. score: 90. name: 'User-Agent'. "
         "value: Nikto"}}},
      {"User-Agent", "curl", {64}, false,
       {{Level::Trace, T,
         "bot-blocker - Evaluated 'HeaderValue' for bad bot. score: 0. name: 'User-Agent'. "
         "value: curl"}}},
  };
  for (const Case& c : cases) {
    ScopedLogCapture capture;
    run_header(c.name, c.value, c.list, c.prefer);
    EXPECT_EQ(capture.records(), c.records) << c.name << ": " << c.value;
  }
}

TEST(RuleLoop, LogLinesQuoteAtMost128Characters) {
  std::string long_text;
  for (int i = 0; i < 200; ++i) long_text += "\xC3\xA9";  // 'é'
  const std::string quoted = long_text.substr(0, 256);
  {
    ScopedLogCapture capture;
    run_input(long_text + "match", {4}, false);
    ASSERT_EQ(capture.records().size(), 1u);
    EXPECT_EQ(capture.records()[0].message,
              "reflected-xss - evaluated 'ParameterValue'. score: 0. prefer_worth_watching: "
              "false. input: " + quoted);
  }
  {
    ScopedLogCapture capture;
    run_header(long_text, long_text + "match", {4}, false);
    ASSERT_EQ(capture.records().size(), 1u);
    EXPECT_EQ(capture.records()[0].message,
              "reflected-xss - Evaluated 'HeaderValue'. score: 0. prefer_worth_watching: false. "
              "name: '" + quoted + "'. value: " + quoted);
  }
}

// The registry's table holds each rule with its own configuration and its own answers.
TEST(RuleLoop, RegistryTableHoldsTheRegisteredRules) {
  const RuleTable& table = registry_table();
  for (std::uint8_t index = 0; index < rules::kRuleCount; ++index) {
    const Entry& entry = table[index];
    const rules::Rule* rule = rules::rule_by_index(index);
    ASSERT_EQ(entry.rule, rule) << int(index);
    EXPECT_EQ(entry.config, &rules::get_rule_config(index)) << int(index);
    EXPECT_EQ(entry.worth_watching, rule->implements_worth_watching()) << int(index);
    EXPECT_EQ(entry.first_test, rule->first_trait_test()) << int(index);
    EXPECT_EQ(entry.lengths, rule->match_lengths()) << int(index);
    // The rules whose answers come from whole-text rows share one set; one with a row
    // matching the empty text (the NoSQL rule's "||") stays out of it.
    const bool whole_text = !rule->whole_text_rows(*entry.config).empty() &&
                            index != *rules::rule_index(rules::kNosqlInjectionMongo);
    EXPECT_EQ(entry.whole_text_set != nullptr, whole_text) << int(index);
    if (whole_text) {
      EXPECT_EQ(entry.whole_text_set, table[1].whole_text_set) << int(index);
    }
    for (unsigned t = 0; t < 16; ++t) {
      EXPECT_EQ(((entry.input_types >> t) & 1) != 0,
                rule->applies_to_input_type(static_cast<InputType>(t)))
          << "rule " << int(index) << " input type " << t;
      EXPECT_EQ(((table.rules_of_type[t] >> index) & 1) != 0,
                rule->applies_to_input_type(static_cast<InputType>(t)))
          << "rule " << int(index) << " input type " << t;
    }
  }
}

// An input type beyond the sixteen mask bits reaches no rule, even one that claims it.
TEST(RuleLoop, InputTypeBeyondTheMasksReachesNoRule) {
  auto traits = rules::compute_input_traits("match watch", 9);
  EXPECT_EQ(run("match watch", static_cast<InputType>(16), traits, std::vector<rules::RuleType>{1, 8},
                false, nullptr, fake_table()),
            std::vector<Finding>{});
}

// Neither each rule's match lengths and first trait test before the call, nor the rules
// ruled out by a text's classes, nor the whole-text set, nor the test of its rows'
// pre-filters before it changes a finding or a log line: random texts of attack pieces,
// blanks and stray bytes, every input type, with and without a header (a User-Agent too),
// trace lines on and off, against the same table without those shortcuts.
// Texts made of these pieces reach every rule, with and without findings.
const std::vector<std::string> kPieces = {
    "' or 1=1--", " union select ", "; cat /etc/passwd", "../", "..\\", "__proto__",
    "prototype", "constructor", "require('child_process')", "<script>", "php.rar", "$where",
    "sleep(5)", "Nikto", "abc", "Mozilla/5.0", " ", "\t", "=", ";", "&", "%2e", "\xC3\xA9",
    "\xFF", "1", "A", "/**/", "\x1c", "' or/**/1=1", "'union\x1cselect 1", "x86_64;", "1;", "@",
    "$ne", "(", ":", "/", "_", "eval(1)", "__dirname", "net user", "psexec", "reg query",
    "sc stop", "process.env", "cmd /c", "Object.keys", ".exec(", "=.constructor", "..%2f",
    "\\windows\\"};

// What the findings of the loop over the registry's table tell of the shortcuts compared.
struct Seen {
  std::size_t gated_findings = 0;  // findings of rules behind the set: the test is not vacuous
  std::size_t cleaned_sql_findings = 0;  // SQL findings on texts the set does not speak for
  std::size_t row_answers = 0;  // findings of rules that answer from the set's rows
  std::size_t short_gated_findings = 0;  // gated findings on texts of at most 15 bytes
  std::size_t screened = 0;  // texts on which a screen kept fewer rules than listed
};

// Runs the registry's table and `other` on a random text of up to `max_pieces` pieces, of a
// random input type, header, log level and rule list (every rule, or a few with repeats and
// a value that names none), and expects the same findings and log lines.
void expect_same_as(const RuleTable& other, std::mt19937& gen, std::size_t max_pieces, Seen& seen) {
  const Entry& sql = registry_table()[*rules::rule_index(rules::kSqlInjection)];
  const std::vector<rules::RuleType> list =
      gen() % 2 == 0 ? std::vector<rules::RuleType>{1, 2, 4, 8, 16, 32, 64, 128, 256, 512}
                     : testing::random_rule_list(gen, 1 + gen() % 6);
  std::string text;
  for (std::size_t i = gen() % (max_pieces + 1); i > 0; --i) text += kPieces[gen() % kPieces.size()];
  const auto type = static_cast<InputType>(gen() % 16);
  const auto context = static_cast<std::uint8_t>(type);
  const auto traits = rules::compute_input_traits(text, context);
  const bool prefer = gen() % 3 == 0;
  const Header headers[] = {{"Referer", false}, {"User-Agent", true}};
  const Header* h = gen() % 4 == 0 ? &headers[gen() % 2] : nullptr;
  const auto level = gen() % 2 == 0 ? log::Level::Trace : log::Level::Debug;
  std::vector<CapturedRecord> logged, logged_other;
  std::vector<Finding> found, found_other;
  {
    ScopedLogCapture capture(level);
    found = run(text, type, traits, list, prefer, h);
    logged = capture.records();
  }
  {
    ScopedLogCapture capture(level);
    found_other = run(text, type, traits, list, prefer, h, other);
    logged_other = capture.records();
  }
  ASSERT_EQ(found, found_other) << text;
  ASSERT_EQ(logged, logged_other) << text;
  // While trace lines are off, a screen's kept rules, run from its steps, answer the same.
  if (!h && level != log::Level::Trace) {
    const Screen screen(type, list, prefer);
    Screen::Kept kept;
    Lists lists;
    ScopedLogCapture capture(level);
    if (const auto count = screen.keep(text.size(), traits, kept)) {
      screen.run_kept(lists, text, traits, kept, *count);
      seen.screened += *count < list.size();
    } else {
      run_into(lists, text, type, traits, list, prefer, nullptr);
    }
    ASSERT_EQ(lists.findings, found) << text;
    ASSERT_EQ(capture.records(), logged) << text;
  }
  for (const Finding& f : found) {
    const Entry& entry = registry_table()[*rules::rule_index(f.rule)];
    const bool gated = f.score > 10 && entry.whole_text_set != nullptr;
    seen.gated_findings += gated;
    seen.short_gated_findings += gated && text.size() <= 15;
    seen.cleaned_sql_findings += f.rule == rules::kSqlInjection && f.score > 10 &&
                                 !sql.whole_text_test(text);
    seen.row_answers += entry.answers_by_rows && !f.ids.empty();
  }
}

// expect_same_as on `count` texts, up to the first that differs.
Seen expect_same_on_random_texts(const RuleTable& other, unsigned seed, int count,
                                 std::size_t max_pieces) {
  std::mt19937 gen(seed);
  Seen seen;
  for (int n = 0; n < count && !::testing::Test::HasFatalFailure(); ++n) {
    expect_same_as(other, gen, max_pieces, seen);
  }
  return seen;
}

TEST(RuleLoop, ShortcutsChangeNoAnswerAndNoLogLine) {
  RuleTable without = registry_table();
  without.rules_for_classes.fill(0xFFFF);
  std::size_t with_test = 0, with_lengths = 0, with_set = 0;
  for (Entry& entry : without) {
    with_test += entry.first_test != nullptr;
    with_lengths += entry.lengths != rules::MatchLengths{};
    with_set += entry.whole_text_set != nullptr;
    entry.first_test = nullptr;
    entry.lengths = {};
    entry.whole_text_set = nullptr;
    entry.row_needs.reset();
    entry.answers_by_rows = false;
  }
  ASSERT_GT(with_test, 0u);
  ASSERT_GT(with_lengths, 0u);
  ASSERT_GT(with_set, 1u);
  // The SQL rule's windows join the set on texts that cleaning leaves as they are.
  const Entry& sql = registry_table()[*rules::rule_index(rules::kSqlInjection)];
  ASSERT_NE(sql.whole_text_set, nullptr);
  ASSERT_NE(sql.whole_text_test, nullptr);
  const Seen seen = expect_same_on_random_texts(without, 4242, 6000, 4);
  if (HasFatalFailure()) return;
  EXPECT_GT(seen.gated_findings, 100u);
  EXPECT_GT(seen.cleaned_sql_findings, 20u);
  EXPECT_GT(seen.row_answers, 200u);
  EXPECT_GT(seen.screened, 500u);
}

// On short texts the set's rows that pass their pre-filters and required literals answer
// in place of the set's passes when they are few: the same as the set's answer, compared
// with a table whose set has no rows to pick from.
TEST(RuleLoop, CandidateRowsOfShortTextsAnswerAsTheSet) {
  const auto& whole = registry_table()[*rules::rule_index(rules::kSqlInjection)].whole_text_set;
  ASSERT_NE(whole, nullptr);
  ASSERT_FALSE(whole->rows.empty());
  auto set_only = std::make_shared<WholeTextSet>(*whole);
  set_only->rows.clear();
  RuleTable with_set_only = registry_table();
  for (Entry& entry : with_set_only) {
    if (entry.whole_text_set) entry.whole_text_set = set_only;
  }
  const Seen seen = expect_same_on_random_texts(with_set_only, 99, 8000, 2);
  if (HasFatalFailure()) return;
  EXPECT_GT(seen.short_gated_findings, 300u);
}

// What the table's rules for a text's classes rest on: each first trait test ignores the
// context and passes for any traits holding more characters and classes than ones it passes
// for. Random traits, each widened by random characters and classes.
TEST(RuleLoop, FirstTraitTestsPassForWiderTraitsWhateverTheContext) {
  std::mt19937_64 gen(77);
  std::size_t tests = 0, passed = 0;
  for (const Entry& entry : registry_table()) {
    if (!entry.first_test) continue;
    ++tests;
    for (int n = 0; n < 20000; ++n) {
      // Sparse character sets, so that both answers come up.
      rules::InputTraits narrow;
      narrow.ascii_lo = gen() & gen() & gen();
      narrow.ascii_hi = gen() & gen() & gen();
      narrow.flags = static_cast<text::char_classes::Flags>(gen() % RuleTable::kClassValues);
      narrow.context = static_cast<std::uint8_t>(gen() % 17);
      rules::InputTraits wide = narrow;
      wide.ascii_lo |= gen() & gen() & gen();
      wide.ascii_hi |= gen() & gen() & gen();
      wide.flags |= static_cast<text::char_classes::Flags>(gen() % RuleTable::kClassValues);
      wide.context = static_cast<std::uint8_t>(gen() % 17);
      rules::InputTraits other_context = narrow;
      other_context.context = wide.context;
      const bool narrow_passes = entry.first_test(narrow);
      passed += narrow_passes;
      ASSERT_EQ(entry.first_test(other_context), narrow_passes) << entry.rule->get_index();
      if (narrow_passes) {
        ASSERT_TRUE(entry.first_test(wide)) << entry.rule->get_index();
      }
    }
  }
  EXPECT_GE(tests, 5u);
  EXPECT_GT(passed, tests * 2000);
}

TEST(RuleLoop, ScoresInShortestForm) {
  EXPECT_EQ(fmt::format("{}", 90.0), "90");
  EXPECT_EQ(fmt::format("{}", 0.0), "0");
  EXPECT_EQ(fmt::format("{}", 12.5), "12.5");
}

}  // namespace
}  // namespace sorvane::evaluation::input_analysis::rule_loop
