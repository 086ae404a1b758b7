#include "core/evaluation/rules/reflected_xss/sink_checks.h"

#include <limits>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/evaluation/rules/reflected_xss/sink_checks_codec.h"
#include "core/evaluation/rules/reflected_xss/sink_checks_for_testing.h"
#include "core/evaluation/rules/reflected_xss/sink_checks_inputs.h"

namespace sorvane::evaluation::rules::reflected_xss::sink_checks {

void PrintTo(const SinkMatch& m, std::ostream* os) {
  *os << "SinkMatch{'" << m.source << "', " << m.match_byte_index << ", " << m.match_byte_length
      << "}";
}

namespace {

// Scans `chunks` in order from the initial state, as the caller would, stopping at a match.
std::optional<SinkMatch> scan(const std::vector<std::string>& chunks,
                              std::vector<UserInput> inputs, XssState* final_state = nullptr) {
  XssState state;
  std::optional<SinkMatch> m;
  for (const std::string& chunk : chunks) {
    m = has_vulnerability(chunk, inputs, state);
    if (m) break;
  }
  if (final_state) *final_state = state;
  return m;
}

std::optional<SinkMatch> at(std::string source, std::uint64_t index) {
  const std::uint64_t len = source.size();
  return SinkMatch{std::move(source), index, len};
}

const std::optional<SinkMatch> kNone;

// The value whose first occurrence from `from` on ends first in `body` (the first in the list
// among those ending at the same byte).
std::optional<SinkMatch> plain_search(const std::string& body, std::size_t from,
                                      const std::vector<std::string>& values) {
  std::optional<SinkMatch> first;
  std::size_t best_end = std::string::npos;
  for (const std::string& v : values) {
    const std::size_t found = body.find(v, from);
    if (found != std::string::npos && found + v.size() < best_end) {
      best_end = found + v.size();
      first = at(v, found);
    }
  }
  return first;
}
const std::optional<SinkMatch> kEmpty = SinkMatch{};

struct Case {
  std::vector<std::string> inputs;
  std::string body;
  std::optional<SinkMatch> expected;
};

// Cases shared by the whole-body and the split-body tests.
const std::vector<Case>& cases() {
  static const std::vector<Case> all = {
      {{"alert(1)"}, "<script>alert(1)</script>", at("alert(1)", 8)},
      {{"x' onload='y"}, "<iframe src='x' onload='y'>", at("x' onload='y", 13)},
      {{"alert(1)"}, "<div>alert(1)</div>", kNone},
      {{"alert(1)"}, "<SCRIPT>alert(1)</SCRIPT>", at("alert(1)", 8)},
      {{"alert(1)"}, "<script>x</SCRIPT><b>alert(1)", at("alert(1)", 21)},
      // An occurrence that overlaps a partial match is found where it completes.
      {{"aab"}, "<script>aaab", at("aab", 9)},
      {{"aab"}, "<script>aabx", at("aab", 8)},
      {{"((1),alert(1)))//"}, "<script>foo(((1),alert(1)))//</script>",
       at("((1),alert(1)))//", 12)},
      {{"<<svg/onload=alert(1)>"}, "<script>a<<<svg/onload=alert(1)></script>",
       at("<<svg/onload=alert(1)>", 10)},
      {{"<<svg/onload=alert(1)>"}, "<iframe x=\"<<<svg/onload=alert(1)>\">",
       at("<<svg/onload=alert(1)>", 12)},
      {{"abcabd"}, "<script>abcabcabd", at("abcabd", 11)},
      {{"abcabd"}, "<script>abcabcab", kNone},
      // Inputs completing at the same byte: the first in the list wins, whatever their
      // lengths; one that completes earlier wins over one listed before it.
      {{"xab", "ab", "b"}, "<script>xab", at("xab", 8)},
      {{"b", "ab", "xab"}, "<script>xab", at("b", 10)},
      {{"abc", "aab"}, "<script>aaabc", at("aab", 9)},
      {{"alert(1)"}, "<script src=\"alert(1)\">", at("alert(1)", 13)},
      {{"alert(1)"}, "<iframe srcdoc=alert(1)>", at("alert(1)", 15)},
      {{"alert(1)"}, "<img src=\"alert(1)\">", kNone},
      {{"alert(1)"}, "<b>alert(1)</b>", kNone},
      {{"alert(1)"}, "<script>ALERT(1)", kNone},
      {{"alert(1)"}, "< script>alert(1)", at("alert(1)", 9)},
      {{"alert(1)"}, "<script >alert(1)", at("alert(1)", 9)},
      {{"alert(1)"}, "<scripts>alert(1)", kNone},
      {{"alert(1)"}, "<scrip>alert(1)", kNone},
      {{"alert(1)"}, "<script/>alert(1)", kNone},
      {{"alert(1)"}, "<iframe>alert(1)", kNone},
      {{"alert(1)"}, "<script>a</script>alert(1)", kNone},
      {{"alert(1)"}, "<script>a</script >alert(1)", kNone},
      // Bytes inside a script end tag are still script content.
      {{"alert(1)"}, "<script>a</scriptx alert(1)>", at("alert(1)", 19)},
      {{"alert(1)"}, "<script>a</s alert(1)", at("alert(1)", 13)},
      {{"</script>"}, "<script>x</script>", at("</script>", 9)},
      // The tag name ends at "/" (self-closing) or at a byte other than a blank.
      {{"alert(1)"}, "<script/ x>alert(1)", kNone},
      {{"alert(1)"}, "</script>alert(1)", kNone},
      // Closing a script start tag resets partial matches.
      {{"a>b"}, "<script x=a>b", kNone},
      {{"a>b"}, "<script x='a>b'", at("a>b", 11)},
      // A partial match survives outside the watched regions until the next one.
      {{">ab"}, "<iframe x=1>zz<script>ab", at(">ab", 21)},
      // Long runs of script content and quoted values with and without stops.
      {{"needle", "zz"}, "<script>" + std::string(100, 'n') + "needle", at("needle", 108)},
      {{"needle", "zz"}, "<script src='" + std::string(100, 'e') + "needl'e", kNone},
      {{"needle", "zz"}, "<iframe src='" + std::string(40, 'x') + "needle'", at("needle", 53)},
      // The first input that completes wins.
      {{"ab", "b"}, "<script>ab", at("ab", 8)},
      {{"zz", "b"}, "<script>ab", at("b", 9)},
      // Vertical tab is not blank.
      {{"alert(1)"}, "<script\x0B" "alert(1)", kNone},
      {{"alert(1)"}, "<script\t" "alert(1)", at("alert(1)", 8)},
      // Non-UTF-8 bytes are compared exactly.
      {{"\xC3\xA9"}, "<script>\xC3\xC3\xA9", at("\xC3\xA9", 9)},
      // Empty input list: whether the text holds a script element or a src attribute.
      {{}, "<script src=x>", kEmpty},
      {{}, "<iframe SRC =x>", kEmpty},
      {{}, "<script>a</script>", kEmpty},
      {{}, "<script>a", kNone},
      {{}, "<b src=x>", kNone},
      {{}, "<script src>", kNone},
      {{}, "<script srcx=1>", kNone},
      {{}, "<script data-src=1>", kNone},
      {{}, "<script\x0Bsrc=x>", kNone},
      {{}, "<script>a</Script>", kNone},
  };
  return all;
}

TEST(SinkChecksTest, WholeBody) {
  for (const Case& c : cases()) {
    EXPECT_EQ(scan({c.body}, tracked(c.inputs)), c.expected) << c.body;
  }
}

TEST(SinkChecksTest, EverySplitIntoTwoChunksGivesTheSameAnswer) {
  for (const Case& c : cases()) {
    for (std::size_t cut = 0; cut <= c.body.size(); ++cut) {
      EXPECT_EQ(scan({c.body.substr(0, cut), c.body.substr(cut)}, tracked(c.inputs)), c.expected)
          << c.body << " cut at " << cut;
    }
  }
}

TEST(SinkChecksTest, ChunksCarryStateThroughTheByteFormat) {
  std::vector<UserInput> inputs = tracked({"alert(1)"});
  XssState state;
  EXPECT_EQ(has_vulnerability("<scr", inputs, state), kNone);
  EXPECT_EQ(serialize_state(state),
            (std::vector<std::uint8_t>{0x05, 0x73, 0x63, 0x72, 0x69, 0x70, 0x74, 0x03, 0x04}));
  EXPECT_EQ(has_vulnerability("ipt>ale", inputs, state), kNone);
  EXPECT_EQ(state.offset, 11u);
  auto decoded_state = deserialize_state(serialize_state(state));
  auto decoded_inputs = deserialize_inputs(serialize_inputs(inputs));
  ASSERT_TRUE(decoded_state && decoded_inputs);
  EXPECT_EQ(decoded_inputs->at(0).progress, 3u);
  EXPECT_EQ(has_vulnerability("rt(1)</script>", decoded_inputs.value(), decoded_state.value()),
            at("alert(1)", 8));
}

TEST(SinkChecksTest, OffsetAccounting) {
  std::vector<UserInput> inputs = tracked({"zz"});
  XssState state;
  EXPECT_EQ(has_vulnerability("", inputs, state), kNone);
  EXPECT_EQ(state, XssState{});
  EXPECT_EQ(has_vulnerability("<p>", inputs, state), kNone);
  EXPECT_EQ(has_vulnerability("", inputs, state), kNone);
  EXPECT_EQ(has_vulnerability("<script>", inputs, state), kNone);
  EXPECT_EQ(state.offset, 11u);
  EXPECT_EQ(state.parse_state, ParseState::of(ParseState::Kind::ScriptData));
}

// The scanner updates the state in place and leaves the fields of earlier kinds as they
// were: states compare by the fields of their kind only, as their byte form does.
TEST(SinkChecksTest, StatesCompareByTheFieldsOfTheirKind) {
  auto with = [](ParseState s, auto change) {
    change(s);
    return s;
  };
  using K = ParseState::Kind;
  using A = AttributesState::Kind;
  struct Pair {
    ParseState a, b;
    bool equal;
  };
  const std::vector<Pair> pairs = {
      {ParseState::of(K::Data), with(ParseState::of(K::Data), [](auto& s) {
         s.count = 4;
         s.name = ParseState::kScript;
         s.target = Target::Iframe;
         s.attributes = AttributesState::value('"');
       }), true},
      {ParseState::of(K::Data), ParseState::of(K::TagOpen), false},
      {ParseState::script_end_tag(3), with(ParseState::script_end_tag(3),
                                           [](auto& s) { s.target = Target::Script; }), true},
      {ParseState::script_end_tag(3), ParseState::script_end_tag(4), false},
      {ParseState::tag_name(ParseState::kScript, 2), ParseState::tag_name(ParseState::kIframe, 2),
       false},
      {ParseState::tag_name(ParseState::kScript, 2), ParseState::tag_name(ParseState::kScript, 3),
       false},
      {ParseState::after_tag_name(Target::Script), with(ParseState::after_tag_name(Target::Script),
                                                        [](auto& s) { s.count = 6; }), true},
      {ParseState::after_tag_name(Target::Script), ParseState::after_tag_name(Target::Other),
       false},
      {ParseState::attributes_of(Target::Script, AttributesState::before_name()),
       with(ParseState::attributes_of(Target::Script, AttributesState::before_name()),
            [](auto& s) {
              s.attributes.count = 3;
              s.attributes.quote = '\'';
            }),
       true},
      {ParseState::attributes_of(Target::Script, AttributesState::name(2)),
       ParseState::attributes_of(Target::Script, AttributesState::name(3)), false},
      {ParseState::attributes_of(Target::Script, AttributesState::value('"')),
       ParseState::attributes_of(Target::Script, AttributesState::value('\'')), false},
      {ParseState::attributes_of(Target::Script, AttributesState::value('"')),
       ParseState::attributes_of(Target::Script, AttributesState::value(std::nullopt)), false},
      {ParseState::attributes_of(Target::Script, AttributesState::value(std::nullopt)),
       with(ParseState::attributes_of(Target::Script, AttributesState::value(std::nullopt)),
            [](auto& s) { s.attributes.count = 2; }),
       true},
      {ParseState::attributes_of(Target::Script, AttributesState::other_name()),
       ParseState::attributes_of(Target::Iframe, AttributesState::other_name()), false},
      {ParseState::attributes_of(Target::Script, {A::AfterName, 0, std::nullopt}),
       ParseState::attributes_of(Target::Script, {A::BeforeValue, 0, std::nullopt}), false},
  };
  for (const Pair& p : pairs) {
    EXPECT_EQ(p.a == p.b, p.equal) << static_cast<int>(p.a.kind);
    EXPECT_EQ(p.b == p.a, p.equal) << static_cast<int>(p.a.kind);
    EXPECT_EQ(serialize_state({p.a, 0}) == serialize_state({p.b, 0}), p.equal)
        << static_cast<int>(p.a.kind);
  }
  // A scan through a watched tag name and attribute value into data leaves those fields
  // behind; the state is still the plain data state, in memory and in its byte form.
  std::vector<UserInput> inputs = tracked({"zz"});
  XssState state;
  ASSERT_EQ(has_vulnerability("<iframe src='x'>", inputs, state), kNone);
  EXPECT_EQ(state, (XssState{ParseState::of(K::Data), 16}));
  EXPECT_EQ(serialize_state(state), (std::vector<std::uint8_t>{0x00, 0x10}));
}

TEST(SinkChecksTest, MatchStopsInTheMiddleOfTheByte) {
  std::vector<UserInput> inputs = tracked({"ab", "b"});
  XssState state;
  ASSERT_EQ(has_vulnerability("<script>a", inputs, state), kNone);
  EXPECT_EQ(has_vulnerability("xab", inputs, state), at("ab", 10));
  // The state and offset are those from before the matching byte; the later input was
  // not fed it.
  EXPECT_EQ(state.offset, 9u);
  EXPECT_EQ(state.parse_state, ParseState::of(ParseState::Kind::ScriptData));
  EXPECT_EQ(inputs[1].progress, 0u);
}

TEST(SinkChecksTest, UntrustedStateNeverWraps) {
  // A progress that claims bytes the body never had: the match starts at 0, not near 2^64.
  std::vector<UserInput> inputs = {{"abc", 2}};
  XssState state{ParseState::of(ParseState::Kind::ScriptData), 0};
  EXPECT_EQ(has_vulnerability("c", inputs, state), at("abc", 0));

  // An offset at the top of its range stays there.
  constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
  inputs = tracked({"abc"});
  state = XssState{ParseState::of(ParseState::Kind::ScriptData), kMax - 2};
  EXPECT_EQ(has_vulnerability("xyzxyz", inputs, state), kNone);
  EXPECT_EQ(state.offset, kMax);
  EXPECT_EQ(has_vulnerability("abc", inputs, state), at("abc", kMax - 3));

  // Progress at or past the value's end, empty values, counts beyond their range, and an
  // unknown tag name are all scanned without reading outside a value.
  inputs = {{"ab", 7}, {"", 0}, {"b", 0}};
  state = XssState{ParseState::of(ParseState::Kind::ScriptData), 0};
  EXPECT_EQ(has_vulnerability("b", inputs, state), at("b", 0));
  state = XssState{ParseState::tag_name({'x', 'x', 'x', 'x', 'x', 'x'}, 99), 0};
  EXPECT_EQ(has_vulnerability(" alert(1)", inputs, state), kNone);
  state = XssState{ParseState::tag_name({'x', 'x', 'x', 'x', 'x', 'x'}, 5), 0};
  EXPECT_EQ(has_vulnerability("x b", inputs, state), kNone);
  state = XssState{ParseState::attributes_of(Target::Script, AttributesState::name(9)), 0};
  EXPECT_EQ(has_vulnerability("=b", inputs, state), at("b", 1));
}

// Script content over a small alphabet, so that inputs overlap themselves and each other:
// the scan answers the input whose first occurrence ends first (the first in the list among
// those ending at the same byte), as a plain search for every occurrence of every input
// does, whole and split anywhere with state and inputs passed through their byte form.
// Without a match, each input's progress is the longest leading part of its value that
// ends the body.
TEST(SinkChecksTest, FindsWhatAPlainSearchFinds) {
  std::mt19937 rng(20261211);
  RandomText random_text(rng);
  const std::string open = "<script>";
  for (int round = 0; round < 3000; ++round) {
    // Now and then hundreds of inputs over a longer body, more transitions than the
    // scanner's transition cache holds.
    const bool many = round % 100 == 0;
    std::vector<std::string> values(1 + rng() % (many ? 600 : round % 10 == 0 ? 48 : 6));
    for (std::string& v : values) v = many ? random_text(14, 10) : random_text(7);
    const std::string body = open + random_text(many ? 300 : 40);

    const std::optional<SinkMatch> expected = plain_search(body, open.size(), values);
    std::vector<UserInput> inputs = tracked(values);
    XssState state;
    ASSERT_EQ(has_vulnerability(body, inputs, state), expected) << body;
    if (!expected) {
      for (const UserInput& in : inputs) {
        std::size_t longest = 0;
        for (std::size_t k = 1; k < in.value.size(); ++k) {
          if (body.ends_with(in.value.substr(0, k))) longest = k;
        }
        ASSERT_EQ(in.progress, longest) << body << " " << in.value;
      }
    }
    for (std::size_t cut = 0; cut <= body.size(); ++cut) {
      std::vector<UserInput> first = tracked(values);
      XssState first_state;
      auto m = has_vulnerability(std::string_view(body).substr(0, cut), first, first_state);
      if (!m) {
        auto decoded_state = deserialize_state(serialize_state(first_state));
        auto decoded_inputs = deserialize_inputs(serialize_inputs(first));
        ASSERT_TRUE(decoded_state && decoded_inputs);
        m = has_vulnerability(std::string_view(body).substr(cut), decoded_inputs.value(),
                              decoded_state.value());
      }
      ASSERT_EQ(m, expected) << body << " cut at " << cut;
    }
  }
}

// A page that repeats a short text takes the same steps through the automaton again and
// again, which the matcher remembers per node (one step and two steps): with the matcher
// kept over chunks of any size, the scan still answers what a plain search finds. The
// values are pieces of the text, most of them going on with a byte it never holds.
TEST(SinkChecksTest, RepeatedTextFindsWhatAPlainSearchFinds) {
  std::mt19937 rng(20261212);
  RandomText random_text(rng);
  const std::string open = "<script>";
  for (int round = 0; round < 400; ++round) {
    const std::string period = random_text(12, 2);
    std::string text;
    while (text.size() < 600) text += period;
    std::vector<std::string> values(1 + rng() % 40);
    for (std::string& v : values) {
      v = text.substr(rng() % period.size(), 1 + rng() % (2 * period.size()));
      if (rng() % 8 != 0) v += '~';
    }
    const std::string body = open + text;
    const std::optional<SinkMatch> expected = plain_search(body, open.size(), values);
    std::vector<UserInput> inputs = tracked(values);
    TrackedInputs kept{std::span<const UserInput>(inputs)};
    XssState state;
    std::optional<SinkMatch> m;
    for (std::size_t pos = 0; pos < body.size() && !m;) {
      const std::size_t len = std::min<std::size_t>(body.size() - pos, 1 + rng() % 90);
      const std::string_view chunk = std::string_view(body).substr(pos, len);
      const XssState before = state;
      m = has_vulnerability(chunk, kept, state);
      if (!m) {
        kept.store_progress();
      } else {
        // A caller may scan the chunk again from where it started, through the steps
        // remembered on the way to the match.
        kept.restore();
        state = before;
        ASSERT_EQ(has_vulnerability(chunk, kept, state), m) << period;
      }
      pos += len;
    }
    ASSERT_EQ(m, expected) << period;
  }
}

// A chunk resumes from the progress values the previous one left, including values of
// inputs that overlap each other.
TEST(SinkChecksTest, ResumesFromHandedInProgress) {
  const XssState script{ParseState::of(ParseState::Kind::ScriptData), 100};
  struct Resume {
    std::vector<UserInput> inputs;
    std::string chunk;
    std::optional<SinkMatch> expected;
  };
  const std::vector<Resume> resumes = {
      // "abca" seen: "abcab" needs "b", "cab" has "ca".
      {{{"abcab", 4}, {"cabz", 2}}, "b", at("abcab", 96)},
      {{{"abcab", 4}, {"cabz", 2}}, "zb", kNone},
      {{{"abcaz", 4}, {"cab", 2}}, "b", at("cab", 98)},
      // "aa" seen: "aab" completes on "b".
      {{{"aab", 2}}, "ab", at("aab", 99)},
      {{{"aab", 2}}, "b", at("aab", 98)},
      // Progress values no scan leaves ("ab" does not end with "x"): the longest one holds.
      {{{"abc", 2}, {"xyz", 1}}, "c", at("abc", 98)},
      {{{"abc", 2}, {"xyz", 1}}, "yz", kNone},
  };
  for (const Resume& r : resumes) {
    std::vector<UserInput> inputs = r.inputs;
    XssState state = script;
    EXPECT_EQ(has_vulnerability(r.chunk, inputs, state), r.expected) << r.chunk;
  }
  // Without a match the progress values are read back.
  std::vector<UserInput> inputs = {{"abcab", 4}, {"cabz", 2}, {"bx", 0}};
  XssState state = script;
  ASSERT_EQ(has_vulnerability("zab", inputs, state), kNone);
  EXPECT_EQ(inputs, (std::vector<UserInput>{{"abcab", 2}, {"cabz", 0}, {"bx", 1}}));
}

// Inputs that share long leading parts, some ending inside what the others share or at a
// multiple of eight bytes: each is found where it first completes, and without a match each
// input's progress is read back.
TEST(SinkChecksTest, InputsSharingLongLeadingParts) {
  const std::vector<std::string> values = {"abcdefghijkl", "abcdefgh", "abcdefghijz", "abcde",
                                           "abcdefghijklmnopq", "bcdefghijklmnopqrs"};
  struct Shared {
    std::string body;
    std::optional<SinkMatch> expected;
    std::vector<std::uint64_t> progress;  // without a match
  };
  const std::vector<Shared> table = {
      {"<script>abcd", kNone, {4, 4, 4, 4, 4, 3}},
      {"<script>abcdX", kNone, {0, 0, 0, 0, 0, 0}},
      {"<script>abcde", at("abcde", 8), {}},
      {"<script>xabcdefgh", at("abcde", 9), {}},
      {"<script>bcdefghijklmnopqr", kNone, {0, 0, 0, 0, 0, 17}},
      {"<script>bcdefghijklmnopqrs", at("bcdefghijklmnopqrs", 8), {}},
  };
  for (const Shared& t : table) {
    std::vector<UserInput> inputs = tracked(values);
    XssState state;
    EXPECT_EQ(has_vulnerability(t.body, inputs, state), t.expected) << t.body;
    if (t.expected) continue;
    for (std::size_t i = 0; i < inputs.size(); ++i) {
      EXPECT_EQ(inputs[i].progress, t.progress[i]) << t.body << " " << inputs[i].value;
    }
  }
  // Without the shortest one, the longer ones complete in order of their length.
  std::vector<std::string> longer(values.begin(), values.end());
  longer.erase(longer.begin() + 3);
  EXPECT_EQ(scan({"<script>abcdefghijk"}, tracked(longer)), at("abcdefgh", 8));
  longer.erase(longer.begin() + 1);
  EXPECT_EQ(scan({"<script>abcdefghij", "klm"}, tracked(longer)), at("abcdefghijkl", 8));
  EXPECT_EQ(scan({"<script>abcdefghijklmnopq"}, {{"abcdefghijklmnopq", 0}}),
            at("abcdefghijklmnopq", 8));
}

// Random bodies built from fragments that exercise every state, scanned whole, in random
// chunks and one byte at a time, must agree. One-byte chunks also check the whole-body
// scan's shortcuts, which look at the byte after the current one and so never apply there.
TEST(SinkChecksTest, RandomChunkingAgreesWithWholeScan) {
  static const std::vector<std::string> fragments = {
      "<", ">", "/", " ", "\t", "=", "\"", "'", "script", "SCRIPT", "iframe", "src", "SrC",
      "</script>", "<script>", "<iframe ", "x", "ab", "a", "b", "<b>", "\x0B", "\xC3\xA9",
      "<script src='", "<iframe x=\"", "xxxxxxxxxxxxxxxxxxxxxxxx", "abababababababababab"};
  std::vector<std::vector<std::string>> input_sets = {
      {}, {"ab"}, {"aab", "b"}, {"a b", "'x'"}, {"\xC3\xA9", "src"}, {">ab", "/x", "<b"},
      {"a", "ba", "aa", "'", "\""}, {"xa", "xb", "x/", "x>", "x\"", "x'", "x<", "xx", "bb"}};
  std::vector<std::string> many;
  for (int i = 0; i < 40; ++i) many.push_back(std::string(1, static_cast<char>('a' + i % 3)) + "ba"[i % 2] + "x");
  input_sets.push_back(many);
  std::mt19937 rng(20261210);
  for (int round = 0; round < 4000; ++round) {
    std::string body;
    const int parts = static_cast<int>(rng() % 30);
    for (int i = 0; i < parts; ++i) body += fragments[rng() % fragments.size()];
    const auto& values = input_sets[rng() % input_sets.size()];
    const auto whole = scan({body}, tracked(values));
    std::vector<std::string> chunks;
    std::vector<std::string> bytes;
    std::size_t pos = 0;
    while (pos < body.size()) {
      const std::size_t len = std::min<std::size_t>(body.size() - pos, rng() % 24);
      chunks.push_back(body.substr(pos, len));
      pos += len;
    }
    for (char c : body) bytes.emplace_back(1, c);
    ASSERT_EQ(scan(chunks, tracked(values)), whole) << body;
    ASSERT_EQ(scan(bytes, tracked(values)), whole) << body;
  }
}

}  // namespace
}  // namespace sorvane::evaluation::rules::reflected_xss::sink_checks
