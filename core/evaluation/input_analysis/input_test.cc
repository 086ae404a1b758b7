#include "core/evaluation/input_analysis/input.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "core/evaluation/input_analysis/testing/arbitrary.h"
#include "core/log/capture_for_testing.h"

namespace sorvane::evaluation::input_analysis::input {
namespace {

using log::ScopedLogCapture;
using rules::Finding;

const Finding kProto{{"PROTO-POLLUTION-1"}, 90.0, 512, InputType::JsonKey};

TEST(CheckInput, RuleLists) {
  struct Case {
    const char* what;
    std::string text;
    InputType type;
    std::vector<rules::RuleType> list;
    std::vector<Finding> findings;
  };
  const Case cases[] = {
      {"empty list", "__proto__", InputType::JsonKey, {}, {}},
      {"values that are no single rule bit", "__proto__", InputType::JsonKey, {0, 3, 1024}, {}},
      {"a rule that matches", "__proto__", InputType::JsonKey, {512}, {kProto}},
      {"listed twice, evaluated twice",
       "__proto__",
       InputType::JsonKey,
       {512, 0, 512},
       {kProto, kProto}},
      {"JSON-key only names",
       "constructor",
       InputType::JsonKey,
       {512},
       {{{"PROTO-POLLUTION-1"}, 90.0, 512, InputType::JsonKey}}},
      {"not as a parameter", "constructor", InputType::ParameterKey, {512}, {}},
      {"rule not applicable to the type", "__proto__", InputType::Method, {512}, {}},
      {"rules without matches", "__proto__", InputType::Method, {64, 256}, {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(check_input(c.text, c.type, c.list, false), c.findings) << c.what;
  }
}

TEST(CheckInput, BinaryDataSkipsEveryRule) {
  const std::string base64(5000, 'Q');
  ScopedLogCapture capture;
  const auto& all = testing::kAllRulesAndInvalid;
  EXPECT_TRUE(check_input(base64, InputType::JsonValue, all, false).empty());
  ASSERT_EQ(capture.records().size(), 1u);
  EXPECT_EQ(capture.records()[0],
            (log::CapturedRecord{log::Level::Trace, "sorvane::evaluation::input_analysis::input",
                                 "check_input - binary data detected, skipping rules. input: " +
                                     base64.substr(0, 128)}));
}

// Any bytes, any length and any rule list yield a result without a fatal error or throw.
TEST(CheckInput, ArbitraryInput) {
  std::mt19937 rng(7);
  const auto& all = testing::kAllRulesAndInvalid;
  const auto many = testing::random_rule_list(rng, 1024);
  const std::vector<std::string> texts = {
      "",         std::string(1, '\0'),           "\xFF",
      "\xE2\x82", testing::random_bytes(rng, 64), testing::random_bytes(rng, 5000)};
  for (const std::string& text : texts) {
    for (int t = 0; t <= 16; ++t) {
      for (bool prefer : {false, true}) {
        EXPECT_NO_THROW(check_input(text, static_cast<InputType>(t), all, prefer));
        EXPECT_NO_THROW(check_input(text, static_cast<InputType>(t), many, prefer));
      }
    }
  }
  // Several megabytes, with and without blanks.
  for (const std::string& text :
       {std::string(3 << 20, ' ') + "x", testing::random_bytes(rng, 3 << 20)}) {
    for (InputType t : {InputType::JsonValue, InputType::ParameterValue, InputType::UriPath}) {
      EXPECT_NO_THROW(check_input(text, t, all, false));
    }
  }
}

// A screen changes no finding and no log line: each piece alone and random texts of attack
// pieces, plain words, blanks and stray bytes, every input type, random rule lists, with and
// without the preference, at each log level, checked with the screen and without it.
TEST(CheckInput, ScreenChangesNoAnswerAndNoLogLine) {
  const std::vector<std::string> pieces = {
      "' or 1=1--", " union select ", "; cat /etc/passwd", "../", "__proto__", "prototype",
      "constructor", "<script>", "javascript:", "php.rar", "$where", "$ne", "||", "sleep(5)",
      "eval(", "Widget", "blue", "12", " ", ".", ",", "_", "=", ";", "&", "%2e", "\\u0041",
      "\xC3\xA9", "\xFF", "Nikto", "GET"};
  const log::Level levels[] = {log::Level::Off, log::Level::Debug, log::Level::Trace};
  std::mt19937 rng(1414);
  std::size_t screened = 0, found = 0;
  auto compare = [&](const std::string& text, InputType type,
                     const std::vector<rules::RuleType>& list, bool prefer) {
    const rule_loop::Screen screen(type, list, prefer);
    const auto traits = rules::compute_input_traits(text, static_cast<std::uint8_t>(type));
    rule_loop::Screen::Kept kept;
    screened += screen.keep(text.size(), traits, kept) == std::optional<std::size_t>(0);
    ScopedLogCapture capture(levels[rng() % 3]);
    const auto with = check_input(text, type, list, prefer, screen);
    const auto logged_with = capture.records();
    capture.clear();
    const auto without = check_input(text, type, list, prefer);
    EXPECT_EQ(with, without) << text << " as " << input_type_name(type);
    EXPECT_EQ(logged_with, capture.records()) << text << " as " << input_type_name(type);
    found += !with.empty();
  };
  for (const std::string& piece : pieces) {
    for (int t = 0; t <= 16; ++t) {
      for (bool prefer : {false, true}) {
        compare(piece, static_cast<InputType>(t), testing::kAllRulesAndInvalid, prefer);
      }
    }
  }
  for (int n = 0; n < 8000; ++n) {
    std::string text;
    for (std::size_t i = rng() % 4; i > 0; --i) text += pieces[rng() % pieces.size()];
    const auto type = static_cast<InputType>(rng() % 17);
    const auto list = rng() % 4 == 0 ? testing::kAllRulesAndInvalid
                                     : testing::random_rule_list(rng, 1 + rng() % 6);
    compare(text, type, list, rng() % 3 == 0);
  }
  EXPECT_GT(screened, 1000u);
  EXPECT_GT(found, 500u);
}

}  // namespace
}  // namespace sorvane::evaluation::input_analysis::input
