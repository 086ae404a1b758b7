#include "core/evaluation/match_engine/matches.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "core/fatal_error.h"

namespace sorvane::evaluation::match_engine {
namespace {

using rules::PatternMatch;
using Found = std::optional<std::vector<PatternMatch>>;

constexpr char32_t kNone[] = {U'\0'};
constexpr char32_t kSemicolonAndQuote[] = {U';', U'\''};
constexpr char32_t kWithNonAscii[] = {U';', U'\u00e9'};
constexpr char32_t kOnlyNonAscii[] = {U'\u00e9'};
constexpr char32_t kNonAsciiOrX[] = {U'\u00e9', U'x'};
constexpr std::uint8_t kUriAndReferer[] = {10, 0};
constexpr std::uint8_t kHeaderValue[] = {4};

// The answer of the table, which the set gate must not change.
Found run(const std::vector<ProtoPattern>& table, std::string_view text, std::uint8_t context = 9) {
  const std::vector<Pattern> patterns = compile_table_or_panic(table);
  const auto traits = rules::compute_input_traits(text, context);
  Found plain = get_matches(patterns, text, context, traits);
  EXPECT_EQ(get_matches(patterns, text, context, traits, compile_gate(patterns)),
            plain)
      << text;
  return plain;
}

ProtoPattern row(std::string_view id, std::string_view regex, std::uint8_t level = 1) {
  ProtoPattern p;
  p.id = id;
  p.regex = regex;
  p.level = level;
  return p;
}

TEST(GetMatches, NoneInsteadOfAnEmptyList) {
  EXPECT_EQ(run({}, "anything"), std::nullopt);
  EXPECT_EQ(run({row("A", "x"), row("B", "y")}, "abc"), std::nullopt);
}

TEST(GetMatches, EveryMatchingPatternInTableOrder) {
  EXPECT_EQ(run({row("A", "b", 2), row("B", "z"), row("C", "a", 3), row("D", "||", 0)}, "ab"),
            (Found{{{"A", 2}, {"C", 3}, {"D", 0}}}));
  EXPECT_EQ(run({row("E", "||")}, ""), (Found{{{"E", 1}}}));
}

TEST(GetMatches, PreFilters) {
  ProtoPattern min6 = row("MIN", "||");
  min6.min_len = 6;
  ProtoPattern any_empty = row("ANY-EMPTY", "||");
  any_empty.required_any = std::span<const char32_t>();
  ProtoPattern all_non_ascii = row("ALL-NON-ASCII", "||");
  all_non_ascii.required_all = kWithNonAscii;
  ProtoPattern all_ascii = row("ALL", "||");
  all_ascii.required_all = kSemicolonAndQuote;
  ProtoPattern any_ascii = row("ANY", "||");
  any_ascii.required_any = kNonAsciiOrX;
  ProtoPattern any_only_non_ascii = row("ANY-NON-ASCII", "||");
  any_only_non_ascii.required_any = kOnlyNonAscii;
  ProtoPattern all_nul = row("ALL-NUL", "||");
  all_nul.required_all = kNone;
  ProtoPattern uri_referer = row("NOT-URI-REFERER", "||");
  uri_referer.excluded_contexts = kUriAndReferer;
  ProtoPattern header = row("NOT-HEADER", "||");
  header.excluded_contexts = kHeaderValue;

  struct Case {
    ProtoPattern pattern;
    std::string text;
    std::uint8_t context;
    bool tried;
  } const cases[] = {
      {min6, "\u00e9\u00e9\u00e9", 9, true},  // three two-byte characters: 6 bytes
      {min6, "\u00e9\u00e9", 9, false},
      {min6, "abcde", 9, false},
      {any_empty, "abc", 9, false},
      {all_non_ascii, "; \u00e9", 9, false},  // a non-ASCII character never occurs
      {all_ascii, "';", 9, true},
      {all_ascii, ";", 9, false},
      {any_ascii, "x", 9, true},
      {any_ascii, "\u00e9", 9, false},
      {any_only_non_ascii, "\u00e9", 9, false},
      {all_nul, std::string("a\0", 2), 9, true},
      {all_nul, "a", 9, false},
      {uri_referer, "a", 10, false},
      {uri_referer, "a", 0, false},
      {uri_referer, "a", 4, true},
      {uri_referer, "a", 9, true},
      {header, "a", 4, false},
      {header, "a", 0, false},  // excluding header values excludes Referer values
      {header, "a", 10, true},
  };
  for (const Case& c : cases) {
    const Found found = run({c.pattern}, c.text, c.context);
    EXPECT_EQ(found.has_value(), c.tried) << c.pattern.id << " on " << c.text << " in " << int(c.context);
  }
}

TEST(GetMatches, UnicodeExpressionsAndAnyBytes) {
  const std::vector<ProtoPattern> table = {
      row("KW", R"((?i)\b(?:select|union)\b)"),
      row("DIGIT", R"(\d=\d)"),
  };
  EXPECT_EQ(run(table, "x UNION y"), (Found{{{"KW", 1}}}));
  EXPECT_EQ(run(table, "\u00e9union"), std::nullopt);
  EXPECT_EQ(run(table, "\u0663=\u0663"), (Found{{{"DIGIT", 1}}}));
  EXPECT_EQ(run(table, "\xff\xfe select \xc3"), (Found{{{"KW", 1}}}));
  EXPECT_EQ(run(table, std::string(2 << 20, '\xff')), std::nullopt);
}

// Rows that compile one by one but together exceed the engine's memory budget for one
// set: the table gets no set and still answers, through the rows' own expressions.
TEST(GetMatches, TableTooLargeForOneSetStillAnswers) {
  const std::vector<ProtoPattern> table = {row("A", "a\\w{700}"), row("B", "b\\w{700}"),
                                           row("C", "c")};
  const std::vector<Pattern> patterns = compile_table_or_panic(table);
  const Gate gate = compile_gate(patterns);
  EXPECT_FALSE(gate.set);
  const std::string letters(700, 'x');
  const struct {
    std::string text;
    Found found;
  } cases[] = {
      {"a" + letters + " c", Found{{{"A", 1}, {"C", 1}}}},
      {"b" + letters, Found{{{"B", 1}}}},
      {"a b c", Found{{{"C", 1}}}},
      {"ab", std::nullopt},
  };
  for (const auto& c : cases) {
    const auto traits = rules::compute_input_traits(c.text, 9);
    EXPECT_EQ(get_matches(patterns, c.text, 9, traits, gate), c.found) << c.text.size();
    EXPECT_EQ(some_piece_may_match(patterns, gate, c.text, 9, traits), true);
  }
}

// Random tables (anchors, \b, empty alternatives, case folding and every kind of
// pre-filter among them) on random texts: the gate, and the rows that one pass of the set
// finds, give the answer of the rows alone, and when the gate says that no piece of a text
// can match, no substring of it does.
TEST(GetMatches, GateAndPieceTestAgreeWithTheRowsOnRandomTables) {
  static constexpr char32_t kChars[] = {U'a', U';', U'\'', U'=', U'\u00e9', U'\0'};
  static constexpr std::uint8_t kContexts[] = {0, 4, 9, 10};
  const std::string atoms[] = {"a", "b", ";", "'", "=", " ", "^", "$", "|", "(?:", ")",
                               "(?i)", "(?s:", "[^", "]", "\\d", "\\s", "\\w", "\\b", "*",
                               "+", "?", "{2}", ".", "\u00e9", "ab", "ba"};
  const std::string text_atoms[] = {"a", "A", "b", "B", ";", "'", "=", " ", "\n", "1",
                                    "\u00e9", "\u0663", "\xff", "\xc3"};
  std::mt19937 rng(31);
  auto sub_list = [&](auto& storage, std::size_t max) {
    const std::size_t n = rng() % (max + 1);
    return std::span(storage + rng() % (std::size(storage) - n + 1), n);
  };
  for (int round = 0; round < 1500; ++round) {
    std::vector<std::string> sources;
    std::vector<ProtoPattern> table;
    for (std::size_t size = rng() % 7; table.size() < size;) {
      std::string source;
      for (int k = 1 + static_cast<int>(rng() % 5); k > 0; --k) source += atoms[rng() % std::size(atoms)];
      if (!text::Regex::try_compile(source)) continue;
      sources.push_back(source);
      ProtoPattern p;
      p.id = "R";
      // Now and then longer than the lengths the pre-filter needs tell apart.
      p.min_len = rng() % 8 == 0 ? rng() % 24 : rng() % 4;
      if (rng() % 3 == 0) p.required_all = sub_list(kChars, 2);
      if (rng() % 3 == 0) p.required_any = sub_list(kChars, 3);
      if (rng() % 4 == 0) p.excluded_contexts = sub_list(kContexts, 2);
      table.push_back(p);
    }
    for (std::size_t i = 0; i < table.size(); ++i) table[i].regex = sources[i];
    const std::vector<Pattern> patterns = compile_table_or_panic(table);
    const Gate gate = compile_gate(patterns);
    const PrefilterNeeds needs = prefilter_needs(patterns);
    const ShortTextFilters short_filters = short_text_filters(patterns);
    ASSERT_TRUE(gate.set);
    for (int t = 0; t < 8; ++t) {
      std::string text;
      for (int k = static_cast<int>(rng() % 7); k > 0; --k) text += text_atoms[rng() % std::size(text_atoms)];
      const std::uint8_t context = kContexts[rng() % std::size(kContexts)];
      const auto traits = rules::compute_input_traits(text, context);
      ASSERT_EQ(get_matches(patterns, text, context, traits, gate),
                get_matches(patterns, text, context, traits))
          << sources.size() << " rows on [" << text << "]";
      ASSERT_EQ(get_matches(patterns, text, context, traits, gate, true),
                get_matches(patterns, text, context, traits))
          << sources.size() << " rows on [" << text << "] with the literal search";
      // The rows a pass of the set finds are the rows whose own expressions match.
      const auto matching = gate.set->matching(text);
      ASSERT_TRUE(matching);
      std::uint64_t rows = 0;
      for (std::size_t i : *matching) rows |= std::uint64_t{1} << i;
      ASSERT_EQ(matches_of_rows(patterns, text, context, traits, rows),
                get_matches(patterns, text, context, traits))
          << sources.size() << " rows on [" << text << "] answered from the set's rows";
      // Any rows, with the pre-filters from the lists or from the gate's bit sets.
      const std::uint64_t any_rows = rows | rng();
      std::vector<rules::PatternMatch> by_lists, by_gate;
      matches_of_rows(patterns, text, context, traits, any_rows, by_lists);
      matches_of_rows(patterns, gate, text, context, traits, any_rows, by_gate);
      ASSERT_EQ(by_gate, by_lists) << sources.size() << " rows on [" << text << "]";
      // The masks of short texts tell the rows that pass their pre-filters, in any context.
      const std::uint64_t some_rows = rng() | (std::uint64_t{rng()} << 32);
      for (const std::uint8_t c : {context, static_cast<std::uint8_t>(rng() % 256)}) {
        ASSERT_EQ(short_filters.passing(text.size(), c, traits, some_rows),
                  rows_passing_prefilters(patterns, gate, text.size(), c, traits, some_rows))
            << sources.size() << " rows on [" << text << "] in context " << int{c};
      }
      if (!needs.may_pass(text, traits)) {
        ASSERT_EQ(get_matches(patterns, text, context, traits), std::nullopt)
            << sources.size() << " rows on [" << text << "], which passes no pre-filter";
      }
      if (some_piece_may_match(patterns, gate, text, context, traits)) continue;
      for (std::size_t start = 0; start <= text.size(); ++start) {
        for (std::size_t end = start; end <= text.size(); ++end) {
          const std::string_view piece = std::string_view(text).substr(start, end - start);
          ASSERT_EQ(get_matches(patterns, piece, context, traits), std::nullopt)
              << "[" << piece << "] of [" << text << "]";
        }
      }
    }
  }
}

// Rows that match every text, so that a table answers exactly when a row's pre-filters
// pass: a slash or backslash from 3 bytes, a colon from 6, anything from 20, and two rows
// whose characters lie beyond ASCII (never present).
TEST(PrefilterNeeds, TellTextsThatPassNoRow) {
  static constexpr char32_t kSlashes[] = {U'/', U'\\'};
  static constexpr char32_t kColon[] = {U':'};
  std::vector<ProtoPattern> table = {row("SLASH", "(?s)."), row("COLON", "(?s)."),
                                     row("ANY", "(?s)."), row("NEVER-ALL", "(?s)."),
                                     row("NEVER-ANY", "(?s).")};
  table[0].required_any = kSlashes;
  table[0].min_len = 3;
  table[1].required_all = kColon;
  table[1].min_len = 6;
  table[2].min_len = 20;
  table[3].required_all = kWithNonAscii;
  table[4].required_any = kOnlyNonAscii;
  const std::vector<Pattern> patterns = compile_table_or_panic(table);
  const PrefilterNeeds needs = prefilter_needs(patterns);
  // From 16 bytes on, every row's length counts as met: the need is a necessary condition.
  const struct {
    std::string text;
    bool may_pass;
    bool passes;
  } cases[] = {
      {"", false, false},
      {"/", false, false},
      {"a/b", true, true},
      {"a\\b", true, true},
      {"a:b", false, false},
      {"abcde:", true, true},
      {"abcdef", false, false},
      {"a;\u00e9bcdefgh", false, false},
      {std::string(15, 'x'), false, false},
      {std::string(19, 'x'), true, false},
      {std::string(20, 'x'), true, true},
  };
  for (const auto& c : cases) {
    const auto traits = rules::compute_input_traits(c.text, 9);
    EXPECT_EQ(needs.may_pass(c.text, traits), c.may_pass) << c.text;
    EXPECT_EQ(get_matches(patterns, c.text, 9, traits).has_value(), c.passes) << c.text;
  }
}

TEST(ConvertProtoRegexes, CompilesInOrderOrStopsAtTheFirstFailure) {
  static constexpr char32_t kAll[] = {U'a'};
  ProtoPattern first = row("FIRST", "a+", 2);
  first.required_all = kAll;
  first.min_len = 3;
  first.excluded_contexts = kHeaderValue;
  const auto ok = convert_proto_regexes(std::vector<ProtoPattern>{first, row("SECOND", "b")});
  ASSERT_TRUE(ok);
  ASSERT_EQ(ok->size(), 2u);
  const Pattern& p = (*ok)[0];
  EXPECT_EQ(p.id, "FIRST");
  EXPECT_EQ(p.level, 2);
  EXPECT_EQ(p.min_len, 3u);
  EXPECT_EQ(p.required_all->data(), kAll);  // the lists stay views of the static table
  EXPECT_EQ(p.excluded_contexts->data(), kHeaderValue);
  EXPECT_FALSE(p.required_any);
  EXPECT_EQ(p.regex->pattern(), "a+");
  EXPECT_EQ((*ok)[1].id, "SECOND");

  const std::vector<ProtoPattern> bad = {row("GOOD", "a"), row("BROKEN", "(a"), row("ALSO", "[")};
  const auto failed = convert_proto_regexes(bad);
  ASSERT_FALSE(failed);
  EXPECT_EQ(failed.error().id, "BROKEN");
  EXPECT_FALSE(failed.error().message.empty());
  EXPECT_THROW(compile_table_or_panic(bad), FatalError);
  EXPECT_THROW(compile_table_or_panic(std::vector<ProtoPattern>{row("MID", "a\\bb")}), FatalError);
}

}  // namespace
}  // namespace sorvane::evaluation::match_engine
