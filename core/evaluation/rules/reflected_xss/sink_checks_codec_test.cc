#include "core/evaluation/rules/reflected_xss/sink_checks_codec.h"

#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace sorvane::evaluation::rules::reflected_xss::sink_checks {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Kind = ParseState::Kind;

std::string hex(const Bytes& b) {
  std::string out;
  for (std::uint8_t x : b) {
    static const char* const digits = "0123456789ABCDEF";
    if (!out.empty()) out += ' ';
    out += digits[x >> 4];
    out += digits[x & 15];
  }
  return out;
}

Bytes cat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

const Bytes kScriptName = {0x73, 0x63, 0x72, 0x69, 0x70, 0x74};

TEST(SinkChecksCodecTest, StateBytes) {
  struct Case {
    XssState state;
    Bytes bytes;
  };
  const std::vector<Case> cases = {
      {XssState{}, {0x00, 0x00}},
      {{ParseState::tag_name(ParseState::kScript, 3), 4}, cat({0x05}, cat(kScriptName, {0x03, 0x04}))},
      {{ParseState::attributes_of(Target::Script, AttributesState::value('"')), 300},
       {0x07, 0x01, 0x05, 0x01, 0x22, 0xFB, 0x2C, 0x01}},
      {{ParseState::attributes_of(Target::Iframe, AttributesState::name(2)), 70000},
       {0x07, 0x02, 0x01, 0x02, 0xFC, 0x70, 0x11, 0x01, 0x00}},
      {{ParseState::script_end_tag(3), 0}, {0x04, 0x03, 0x00}},
      {{ParseState::attributes_of(Target::Other, AttributesState::value(std::nullopt)), 250},
       {0x07, 0x00, 0x05, 0x00, 0xFA}},
      {{ParseState::after_tag_name(Target::Iframe), 251}, {0x06, 0x02, 0xFB, 0xFB, 0x00}},
      {{ParseState::of(Kind::EndTag), 65535}, {0x0B, 0xFB, 0xFF, 0xFF}},
      {{ParseState::of(Kind::SelfClosing), 65536}, {0x0A, 0xFC, 0x00, 0x00, 0x01, 0x00}},
      {{ParseState::of(Kind::ScriptData), 0x100000000ULL},
       {0x09, 0xFD, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(hex(serialize_state(c.state)), hex(c.bytes));
    const auto decoded = deserialize_state(c.bytes);
    ASSERT_TRUE(decoded) << hex(c.bytes) << ": " << decoded.error();
    EXPECT_EQ(*decoded, c.state) << hex(c.bytes);
  }
}

TEST(SinkChecksCodecTest, InputBytes) {
  const std::vector<UserInput> inputs = {{"<b>", 0}, {"x'y", 2}};
  const Bytes bytes = {0x02, 0x03, 0x3C, 0x62, 0x3E, 0x00, 0x03, 0x78, 0x27, 0x79, 0x02};
  EXPECT_EQ(hex(serialize_inputs(inputs)), hex(bytes));
  const auto decoded = deserialize_inputs(bytes);
  ASSERT_TRUE(decoded) << decoded.error();
  EXPECT_EQ(*decoded, inputs);
  EXPECT_EQ(hex(serialize_inputs({})), "00");
}

TEST(SinkChecksCodecTest, ReadersAcceptLongFormsAndIgnoreTrailingBytes) {
  const auto state = deserialize_state(Bytes{0xFB, 0x09, 0x00, 0xFD, 7, 0, 0, 0, 0, 0, 0, 0, 0xFF});
  ASSERT_TRUE(state) << state.error();
  EXPECT_EQ(*state, (XssState{ParseState::of(Kind::ScriptData), 7}));
  const auto inputs = deserialize_inputs(Bytes{0xFB, 0x01, 0x00, 0xFC, 0x01, 0, 0, 0, 0x61, 0x00, 0xFE});
  ASSERT_TRUE(inputs) << inputs.error();
  EXPECT_EQ(*inputs, (std::vector<UserInput>{{"a", 0}}));
}

TEST(SinkChecksCodecTest, StateErrors) {
  struct Case {
    Bytes bytes;
    std::string error;
  };
  const std::string tag_name = "\x05script";
  const std::vector<Case> cases = {
      {{0x0C, 0x00},
       "UnexpectedVariant { type_name: \"ParseState\", allowed: Range { min: 0, max: 11 }, found: 12 }"},
      {{0xFC, 0x00, 0x00, 0x01, 0x00},
       "UnexpectedVariant { type_name: \"ParseState\", allowed: Range { min: 0, max: 11 }, found: 65536 }"},
      {{0x05, 0x73, 0x63, 0x72}, "UnexpectedEnd { additional: 3 }"},
      {{}, "UnexpectedEnd { additional: 1 }"},
      {{0x00}, "UnexpectedEnd { additional: 1 }"},
      {{0x00, 0xFB, 0x01}, "UnexpectedEnd { additional: 1 }"},
      {{0x00, 0xFC}, "UnexpectedEnd { additional: 4 }"},
      {{0x00, 0xFD, 0x01, 0x02}, "UnexpectedEnd { additional: 6 }"},
      {{0x00, 0xFE}, "InvalidIntegerType { expected: Usize, found: U128 }"},
      {{0x00, 0xFF}, "InvalidIntegerType { expected: Usize, found: Reserved }"},
      {{0xFD, 0, 0, 0, 0, 0, 0, 0, 0}, "InvalidIntegerType { expected: U32, found: U64 }"},
      {{0xFE}, "InvalidIntegerType { expected: U32, found: U128 }"},
      {{0xFF}, "InvalidIntegerType { expected: U32, found: Reserved }"},
      {{0x04, 0xFF}, "InvalidIntegerType { expected: Usize, found: Reserved }"},
      {{0x06, 0x03, 0x00},
       "UnexpectedVariant { type_name: \"Target\", allowed: Range { min: 0, max: 2 }, found: 3 }"},
      {{0x06, 0xFD}, "InvalidIntegerType { expected: U32, found: U64 }"},
      {{0x07, 0x01, 0x06, 0x00},
       "UnexpectedVariant { type_name: \"AttributesState\", allowed: Range { min: 0, max: 5 }, found: 6 }"},
      {{0x07, 0x01, 0x05, 0x02, 0x22, 0x00},
       "UnexpectedVariant { type_name: \"OptionalByte\", allowed: Range { min: 0, max: 1 }, found: 2 }"},
      {{0x07, 0x01, 0x05, 0x01}, "UnexpectedEnd { additional: 1 }"},
      {{0x07, 0x01, 0x05}, "UnexpectedEnd { additional: 1 }"},
      {{0x07, 0x01, 0x01}, "UnexpectedEnd { additional: 1 }"},
      {cat({0x05}, cat(kScriptName, {0x06, 0x00})), "invalid TagName count 6: must be below 6"},
      {cat({0x05}, cat(kScriptName, {0xFB, 0x00, 0x01, 0x00})),
       "invalid TagName count 256: must be below 6"},
  };
  for (const Case& c : cases) {
    const auto decoded = deserialize_state(c.bytes);
    EXPECT_FALSE(decoded) << hex(c.bytes);
    EXPECT_EQ(decoded.error(), c.error) << hex(c.bytes);
  }
  // A TagName count below 6 and any 6 name bytes are accepted.
  const auto odd = deserialize_state(Bytes{0x05, 'X', 0, 0xFF, 'a', 'b', 'c', 0x05, 0x00});
  ASSERT_TRUE(odd) << odd.error();
  EXPECT_EQ(odd->parse_state, ParseState::tag_name({'X', 0, 0xFF, 'a', 'b', 'c'}, 5));
}

TEST(SinkChecksCodecTest, InputErrors) {
  struct Case {
    Bytes bytes;
    std::string error;
  };
  const std::vector<Case> cases = {
      {{0x01, 0x03, 0x61, 0x62}, "UnexpectedEnd { additional: 1 }"},
      {{}, "UnexpectedEnd { additional: 1 }"},
      {{0x01}, "UnexpectedEnd { additional: 1 }"},
      {{0x01, 0x01, 0x61}, "UnexpectedEnd { additional: 1 }"},
      {{0x02, 0x01, 0x61, 0x00}, "UnexpectedEnd { additional: 1 }"},
      {{0xFE}, "InvalidIntegerType { expected: U64, found: U128 }"},
      {{0x01, 0xFF}, "InvalidIntegerType { expected: U64, found: Reserved }"},
      {{0x01, 0x01, 0x61, 0xFE}, "InvalidIntegerType { expected: Usize, found: U128 }"},
      // Huge announced counts and lengths end where the bytes do, without reserving.
      {{0xFD, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, "UnexpectedEnd { additional: 1 }"},
      {{0xFD, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x01, 0x61, 0x00},
       "UnexpectedEnd { additional: 1 }"},
      {{0x01, 0xFD, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x61},
       "UnexpectedEnd { additional: 18446744073709551614 }"},
      {{0x01, 0xFC, 0x00, 0x00, 0x00, 0x80}, "UnexpectedEnd { additional: 2147483648 }"},
      {{0x01, 0x02, 0x61, 0xFF, 0x00},
       "Utf8 { inner: invalid UTF-8 sequence of 1 bytes after 1 valid bytes }"},
      {{0x01, 0x02, 0x61, 0xC3, 0x00}, "Utf8 { inner: incomplete UTF-8 sequence after 1 valid bytes }"},
      {{0x01, 0x03, 0xED, 0xA0, 0x80, 0x00},
       "Utf8 { inner: invalid UTF-8 sequence of 1 bytes after 0 valid bytes }"},
      {{0x01, 0x00, 0x00}, "invalid input: empty value"},
      {{0x01, 0x01, 0x61, 0x01}, "invalid input: progress 1 is not below the value length 1"},
      {{0x02, 0x01, 0x61, 0x00, 0x02, 0x61, 0x62, 0x05},
       "invalid input: progress 5 is not below the value length 2"},
  };
  for (const Case& c : cases) {
    const auto decoded = deserialize_inputs(c.bytes);
    EXPECT_FALSE(decoded) << hex(c.bytes);
    EXPECT_EQ(decoded.error(), c.error) << hex(c.bytes);
  }
}

std::uint64_t random_u64(std::mt19937_64& rng) {
  // Spread over every varint width.
  switch (rng() % 5) {
    case 0: return rng() % 251;
    case 1: return 251 + rng() % (65536 - 251);
    case 2: return 65536 + rng() % (0x100000000ULL - 65536);
    case 3: return 0x100000000ULL + rng() % 0xFFFFFFFF00000000ULL;
    default: return rng() % 8;
  }
}

XssState random_state(std::mt19937_64& rng) {
  const auto kind = static_cast<Kind>(rng() % (ParseState::kMaxTag + 1));
  const auto target = static_cast<Target>(rng() % 3);
  ParseState ps = ParseState::of(kind);
  switch (kind) {
    case Kind::ScriptEndTag: ps = ParseState::script_end_tag(random_u64(rng)); break;
    case Kind::TagName: {
      ParseState::Name name;
      for (auto& b : name) b = static_cast<std::uint8_t>(rng());
      ps = ParseState::tag_name(rng() % 2 ? ParseState::kScript : name, rng() % 6);
      break;
    }
    case Kind::AfterTagName: ps = ParseState::after_tag_name(target); break;
    case Kind::Attributes: {
      AttributesState a;
      switch (rng() % 6) {
        case 0: a = AttributesState::before_name(); break;
        case 1: a = AttributesState::name(random_u64(rng)); break;
        case 2: a = AttributesState::other_name(); break;
        case 3: a = AttributesState::after_name(); break;
        case 4: a = AttributesState::before_value(); break;
        default:
          a = AttributesState::value(rng() % 2 ? std::optional<std::uint8_t>(rng())
                                               : std::nullopt);
      }
      ps = ParseState::attributes_of(target, a);
      break;
    }
    default: break;
  }
  return {ps, random_u64(rng)};
}

std::vector<UserInput> random_inputs(std::mt19937_64& rng) {
  static const std::vector<std::string> pieces = {"a", "<", "'", "\xC3\xA9", "\xE2\x82\xAC",
                                                  "\xF0\x9F\x98\x80", std::string(1, '\0')};
  std::vector<UserInput> inputs(rng() % 4);
  for (UserInput& in : inputs) {
    const std::size_t parts = 1 + rng() % 100;
    for (std::size_t i = 0; i < parts; ++i) in.value += pieces[rng() % pieces.size()];
    in.progress = rng() % in.value.size();
  }
  return inputs;
}

TEST(SinkChecksCodecTest, RoundTripAndTruncation) {
  std::mt19937_64 rng(7);
  for (int i = 0; i < 2000; ++i) {
    const XssState state = random_state(rng);
    const Bytes s = serialize_state(state);
    const auto back = deserialize_state(s);
    ASSERT_TRUE(back) << hex(s) << ": " << back.error();
    ASSERT_EQ(*back, state) << hex(s);
    const std::vector<UserInput> inputs = random_inputs(rng);
    const Bytes b = serialize_inputs(inputs);
    const auto inputs_back = deserialize_inputs(b);
    ASSERT_TRUE(inputs_back) << hex(b) << ": " << inputs_back.error();
    ASSERT_EQ(*inputs_back, inputs);
    // Every proper prefix of a valid encoding is cut short.
    for (std::size_t cut = 0; cut < s.size(); ++cut) {
      const auto r = deserialize_state(Bytes(s.begin(), s.begin() + cut));
      ASSERT_FALSE(r) << hex(s) << " cut at " << cut;
      ASSERT_EQ(r.error().rfind("UnexpectedEnd { additional: ", 0), 0u) << r.error();
    }
    const std::size_t step = 1 + b.size() / 16;
    for (std::size_t cut = 0; cut < b.size(); cut += step) {
      const auto r = deserialize_inputs(Bytes(b.begin(), b.begin() + cut));
      ASSERT_FALSE(r) << hex(b) << " cut at " << cut;
      ASSERT_EQ(r.error().rfind("UnexpectedEnd { additional: ", 0), 0u) << r.error();
    }
  }
}

TEST(SinkChecksCodecTest, RandomBytesGiveAValueOrAnError) {
  std::mt19937_64 rng(11);
  for (int i = 0; i < 20000; ++i) {
    Bytes bytes(rng() % 24);
    for (auto& b : bytes) {
      // Favour markers and small values so that decoding gets deep.
      const auto r = rng() % 4;
      b = static_cast<std::uint8_t>(r == 0 ? 251 + rng() % 5 : r == 1 ? rng() % 12 : rng());
    }
    const auto state = deserialize_state(bytes);
    if (state) {
      ASSERT_EQ(deserialize_state(serialize_state(*state)).value(), *state);
    } else {
      ASSERT_FALSE(state.error().empty());
    }
    const auto inputs = deserialize_inputs(bytes);
    if (inputs) {
      ASSERT_EQ(deserialize_inputs(serialize_inputs(*inputs)).value(), *inputs);
    } else {
      ASSERT_FALSE(inputs.error().empty());
    }
  }
}

}  // namespace
}  // namespace sorvane::evaluation::rules::reflected_xss::sink_checks
