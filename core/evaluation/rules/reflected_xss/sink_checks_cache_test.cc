#include "core/evaluation/rules/reflected_xss/sink_checks_cache.h"

#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/evaluation/rules/reflected_xss/sink_checks_for_testing.h"

namespace sorvane::evaluation::rules::reflected_xss::sink_checks {
namespace {

using Bytes = std::vector<std::uint8_t>;

// What one call gives: the match, or the new byte forms of the state and the inputs; or the
// description of why the input bytes do not decode.
struct Outcome {
  std::string error;
  std::optional<SinkMatch> match;
  Bytes state;
  Bytes inputs;
  bool operator==(const Outcome&) const = default;
};

// A call as it goes without the cache: decode, scan, encode.
Outcome fresh(std::string_view chunk, const Bytes& state_bytes, const Bytes& input_bytes) {
  XssState state = deserialize_state(state_bytes).value();
  auto inputs = deserialize_inputs(input_bytes);
  if (!inputs) return {inputs.error(), {}, {}, {}};
  auto match = has_vulnerability(chunk, inputs.value(), state);
  if (match) return {"", match, {}, {}};
  return {"", {}, serialize_state(state), serialize_inputs(inputs.value())};
}

Outcome cached(InputsCache& cache, std::string_view chunk, const Bytes& state_bytes,
               const Bytes& input_bytes) {
  XssState state = deserialize_state(state_bytes).value();
  auto lease = cache.open(input_bytes);
  if (!lease) return {lease.error(), {}, {}, {}};
  auto match = lease.value().scan(chunk, state);
  if (match) return {"", match, {}, {}};
  const auto bytes = lease.value().bytes();
  return {"", {}, serialize_state(state), Bytes(bytes.begin(), bytes.end())};
}

// The same inputs in other bytes that decode alike: every integer in its 3-byte form, and a
// trailing byte.
Bytes long_form(const Bytes& input_bytes) {
  const auto inputs = deserialize_inputs(input_bytes).value();
  Bytes out;
  auto integer = [&](std::uint64_t v) {
    out.push_back(251);
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
  };
  integer(inputs.size());
  for (const UserInput& in : inputs) {
    integer(in.value.size());
    out.insert(out.end(), in.value.begin(), in.value.end());
    integer(in.progress);
  }
  out.push_back(7);
  return out;
}

// Many chunked scans at once through one cache, as a server interleaves the responses it
// sends: different input lists, the same values in another order, a list changed between
// chunks, a chunk scanned again from the bytes before it, equivalent bytes in longer forms,
// a call made while another one holds the same inputs, and bytes with the values of a
// cached list but a progress that does not decode. Every call answers, writes and fails
// exactly as a fresh decode and scan do.
TEST(InputsCacheTest, InterleavedScansAnswerAsFreshDecodes) {
  std::mt19937 rng(20261211);
  RandomText random_text(rng);
  // Short lists and values, a few lists of 200 values, and lists of values that start with
  // 250 or more "a", whose progress can take three bytes.
  std::vector<std::vector<std::string>> lists;
  for (int k = 0; k < 14; ++k) {
    std::vector<std::string> values(1 + rng() % (k % 5 == 0 ? 200 : 6));
    for (std::string& v : values) {
      v = k % 7 == 3 ? std::string(250 + rng() % 30, 'a') + random_text(8) : random_text(8);
    }
    lists.push_back(values);
    std::vector<std::string> reversed(values.rbegin(), values.rend());
    lists.push_back(reversed);
  }
  struct Scan {
    std::string body;
    std::size_t pos = 0;
    Bytes state, inputs, state_before, inputs_before;
  };
  auto start = [&](Scan& s) {
    const bool long_values = rng() % 5 == 0;
    s.body = "<script>" + (long_values ? std::string(rng() % 600, 'a') : "") + random_text(200);
    s.pos = 0;
    s.state = serialize_state({});
    s.inputs = serialize_inputs(tracked(lists[rng() % lists.size()]));
    s.state_before = s.state;
    s.inputs_before = s.inputs;
  };
  std::vector<Scan> scans(12);
  for (Scan& s : scans) start(s);

  InputsCache cache;
  for (int step = 0; step < 20000; ++step) {
    Scan& s = scans[rng() % scans.size()];
    const unsigned twist = rng() % 16;
    if (twist == 0) {
      // Scan the last chunk again, from the bytes before it.
      s.state = s.state_before;
      s.inputs = s.inputs_before;
    } else if (twist == 1) {
      s.inputs = long_form(s.inputs);
    } else if (twist == 2) {
      // Another list from here on.
      s.inputs = serialize_inputs(tracked(lists[rng() % lists.size()]));
    } else if (twist == 3) {
      // A progress not below its value's length: the call fails as a decode does.
      auto inputs = deserialize_inputs(s.inputs).value();
      UserInput& in = inputs[rng() % inputs.size()];
      in.progress = in.value.size();
      const Bytes bad = serialize_inputs(inputs);
      ASSERT_EQ(cached(cache, "x", s.state, bad), fresh("x", s.state, bad));
      ASSERT_FALSE(fresh("x", s.state, bad).error.empty());
    }
    const std::size_t length = rng() % 4 == 0 ? 0 : 1 + rng() % 90;
    const std::string chunk = s.body.substr(std::min(s.pos, s.body.size()), length);
    const Outcome expected = fresh(chunk, s.state, s.inputs);
    Outcome got;
    if (twist == 4) {
      // Another call while this one holds the inputs.
      auto held = cache.open(s.inputs);
      ASSERT_TRUE(held);
      got = cached(cache, chunk, s.state, s.inputs);
    } else {
      got = cached(cache, chunk, s.state, s.inputs);
    }
    ASSERT_EQ(got, expected) << "step " << step << " chunk " << chunk;
    ASSERT_LE(cache.size(), InputsCache::kMaxEntries);
    s.state_before = s.state;
    s.inputs_before = s.inputs;
    s.pos += chunk.size();
    if (expected.match || s.pos >= s.body.size()) {
      start(s);
    } else {
      s.state = expected.state;
      s.inputs = expected.inputs;
    }
  }
}

// A list decoded once is kept: its next chunk finds it whether the caller hands back the
// bytes last written or an older form of the same values.
TEST(InputsCacheTest, KeepsListsUpToItsBound) {
  InputsCache cache;
  const Bytes state = serialize_state({ParseState::of(ParseState::Kind::ScriptData), 0});
  const Bytes first = serialize_inputs(tracked({"alert(1)", "abc("}));
  Bytes next;
  {
    auto lease = cache.open(first);
    ASSERT_TRUE(lease);
    XssState s = deserialize_state(state).value();
    ASSERT_FALSE(lease.value().scan("xale", s));
    const auto bytes = lease.value().bytes();
    next.assign(bytes.begin(), bytes.end());
  }
  EXPECT_EQ(cache.size(), 1u);
  EXPECT_EQ(next, serialize_inputs(std::vector<UserInput>{{"alert(1)", 3}, {"abc(", 0}}));
  for (const Bytes& again : {next, first}) {
    auto lease = cache.open(again);
    ASSERT_TRUE(lease);
    EXPECT_EQ(cache.size(), 0u);  // leased
  }
  EXPECT_EQ(cache.size(), 1u);
  for (std::size_t k = 0; k < 3 * InputsCache::kMaxEntries; ++k) {
    ASSERT_TRUE(cache.open(serialize_inputs(tracked({"v(" + std::to_string(k)}))));
  }
  EXPECT_EQ(cache.size(), InputsCache::kMaxEntries);
  // Lists holding more than the memory bound together: the older ones go; a list larger
  // than the bound alone is used and dropped, and leaves the others.
  // Each copy of a value (the matcher's, the byte form) takes a third of the bound.
  const std::size_t third = InputsCache::kMaxMemory / 3;
  const Bytes large_a = serialize_inputs(tracked({std::string(third, 'a') + "("}));
  const Bytes large_b = serialize_inputs(tracked({std::string(third, 'b') + "("}));
  const Bytes too_large =
      serialize_inputs(tracked({std::string(InputsCache::kMaxMemory * 3 / 5, 'c') + "("}));
  ASSERT_TRUE(cache.open(large_a));
  ASSERT_TRUE(cache.open(large_b));
  EXPECT_EQ(cache.size(), 1u);  // the second large list alone
  ASSERT_TRUE(cache.open(too_large));
  EXPECT_EQ(cache.size(), 1u);
  {
    auto lease = cache.open(large_b);  // still kept: taken out while leased
    ASSERT_TRUE(lease);
    EXPECT_EQ(cache.size(), 0u);
  }
  // An empty list is never kept.
  InputsCache other;
  auto empty = other.open(serialize_inputs({}));
  ASSERT_TRUE(empty);
  EXPECT_TRUE(empty.value().empty());
}

// A list handed over as values (the views of a caller's buffer, copied) has the byte form
// of those values, and its chunks give what fresh decodes of their bytes give; the caller's
// buffer may go meanwhile. A list with an empty value is used and not kept.
TEST(InputsCacheTest, AdoptedListsScanLikeDecodedOnes) {
  const Bytes start = serialize_state({});
  const std::vector<std::string> values = {"alert(1)", "<scr", "x'y", "alert(2)"};
  const std::vector<std::string_view> chunks = {"<scr", "ipt>ale", "rt(", "2)</script>"};
  InputsCache cache;
  Bytes input_bytes;
  {
    std::string buffer;
    for (const std::string& v : values) buffer += v;
    std::vector<std::string_view> views;
    for (std::size_t at = 0; const std::string& v : values) {
      views.push_back(std::string_view(buffer).substr(at, v.size()));
      at += v.size();
    }
    auto lease = cache.adopt(views);
    ASSERT_FALSE(lease.empty());
    input_bytes.assign(lease.bytes().begin(), lease.bytes().end());
    buffer.assign(buffer.size(), '#');
  }
  EXPECT_EQ(input_bytes, serialize_inputs(tracked({"alert(1)", "<scr", "x'y", "alert(2)"})));
  EXPECT_EQ(cache.size(), 1u);
  Bytes state_bytes = start;
  std::optional<SinkMatch> match;
  for (const std::string_view chunk : chunks) {
    const Outcome want = fresh(chunk, state_bytes, input_bytes);
    const Outcome got = cached(cache, chunk, state_bytes, input_bytes);
    ASSERT_EQ(got, want) << chunk;
    match = got.match;
    if (match) break;
    state_bytes = got.state;
    input_bytes = got.inputs;
  }
  EXPECT_EQ(match, (SinkMatch{"alert(2)", 8, 8}));
  InputsCache other;
  const std::vector<std::string_view> with_empty = {"a(", ""};
  {
    auto lease = other.adopt(with_empty);
    EXPECT_FALSE(lease.empty());
  }
  EXPECT_EQ(other.size(), 0u);
}

}  // namespace
}  // namespace sorvane::evaluation::rules::reflected_xss::sink_checks
