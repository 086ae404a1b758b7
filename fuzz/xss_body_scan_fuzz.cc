// The response-body scanner on arbitrary bodies, inputs, starting states and chunk splits:
// it answers and ends as a plain byte-at-a-time scanner that looks for every occurrence of
// every input does; a body scanned in chunks, with
// state and inputs passed through their byte form between chunks, answers exactly what the
// whole body answers, also through the inputs a chunked caller keeps between chunks; and a
// match names bytes that hold the input.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "core/evaluation/rules/reflected_xss/sink_checks.h"
#include "core/evaluation/rules/reflected_xss/sink_checks_cache.h"
#include "core/evaluation/rules/reflected_xss/sink_checks_codec.h"
#include "fuzz/fuzz_input.h"
#include "fuzz/xss_reference_scanner.h"

namespace {

namespace xss = sorvane::evaluation::rules::reflected_xss::sink_checks;

struct Scan {
  std::optional<xss::SinkMatch> match;
  xss::XssState state;
  std::vector<xss::UserInput> inputs;
};

Scan scan_in_chunks(std::string_view body, const std::vector<std::size_t>& lengths,
                    const xss::XssState& start, std::vector<xss::UserInput> inputs) {
  Scan scan{std::nullopt, start, std::move(inputs)};
  std::size_t pos = 0;
  for (std::size_t i = 0; i <= lengths.size(); ++i) {
    const std::size_t n = i < lengths.size() ? std::min(lengths[i], body.size() - pos)
                                             : body.size() - pos;
    auto state = xss::deserialize_state(xss::serialize_state(scan.state));
    auto inputs = xss::deserialize_inputs(xss::serialize_inputs(scan.inputs));
    FUZZ_CHECK(state && *state == scan.state);
    FUZZ_CHECK(inputs && *inputs == scan.inputs);
    scan.match = xss::has_vulnerability(body.substr(pos, n), scan.inputs, scan.state);
    if (scan.match) return scan;
    pos += n;
  }
  return scan;
}

// The same chunks as a chunked caller scans them through the bindings: every chunk from
// the bytes of the one before, through inputs kept between chunks; every other chunk is
// scanned a second time from the same bytes first, as a caller may retry it.
Scan scan_through_cache(std::string_view body, const std::vector<std::size_t>& lengths,
                        const xss::XssState& start, const std::vector<xss::UserInput>& inputs) {
  xss::InputsCache cache;
  Scan scan{std::nullopt, start, inputs};
  std::vector<std::uint8_t> state_bytes = xss::serialize_state(start);
  std::vector<std::uint8_t> input_bytes = xss::serialize_inputs(inputs);
  std::size_t pos = 0;
  for (std::size_t i = 0; i <= lengths.size(); ++i) {
    const std::size_t n = i < lengths.size() ? std::min(lengths[i], body.size() - pos)
                                             : body.size() - pos;
    std::optional<xss::SinkMatch> first;
    std::vector<std::uint8_t> first_bytes;
    for (int attempt = i % 2 ? 1 : 0; attempt < 2; ++attempt) {
      auto state = xss::deserialize_state(state_bytes);
      auto lease = cache.open(input_bytes);
      FUZZ_CHECK(state && lease);
      scan.state = *state;
      scan.match = lease.value().scan(body.substr(pos, n), scan.state);
      const auto written = lease.value().bytes();
      if (attempt == 0) {
        first = scan.match;
        first_bytes.assign(written.begin(), written.end());
      } else if (i % 2 == 0) {
        FUZZ_CHECK(scan.match == first);
        if (!first) {
          FUZZ_CHECK(std::equal(written.begin(), written.end(), first_bytes.begin(),
                                first_bytes.end()));
        }
      }
      if (scan.match) {
        scan.inputs.clear();
        break;
      }
      if (attempt == 1) {
        state_bytes = xss::serialize_state(scan.state);
        input_bytes.assign(written.begin(), written.end());
      }
    }
    if (scan.match) return scan;
    pos += n;
  }
  scan.inputs = xss::deserialize_inputs(input_bytes).value();
  return scan;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  quenlith_fuzz::FuzzInput in(data, size);
  // Up to 48 inputs now and then: the scanner treats the first few specially.
  const std::uint8_t count = in.byte();
  std::vector<xss::UserInput> inputs(count < 0xF0 ? count % 12 : count - 0xC0);
  for (auto& input : inputs) {
    auto value = in.piece();
    if (value.empty() || !quenlith_fuzz::is_text(value)) return -1;
    input = {std::string(value), 0};
  }
  // Progress as an earlier chunk leaves it: the bytes of a lead-in fed to every input.
  for (char c : in.piece()) {
    for (auto& input : inputs) {
      input.progress = quenlith_fuzz::ReferenceScanner::longest_leading_part(
          input.value, input.progress, static_cast<std::uint8_t>(c));
      if (input.progress == input.value.size()) return -1;
    }
  }
  // Mostly the initial state; sometimes any state the reader accepts.
  xss::XssState start;
  if (in.byte() == 0xFF) {
    auto state_bytes = in.piece();
    auto state = xss::deserialize_state(std::span(
        reinterpret_cast<const std::uint8_t*>(state_bytes.data()), state_bytes.size()));
    if (!state || state->offset > (std::uint64_t{1} << 60)) return -1;
    start = *state;
  }
  std::vector<std::size_t> lengths(in.byte() % 8);
  for (auto& length : lengths) length = in.size();
  const std::string_view body = in.rest();

  Scan whole{std::nullopt, start, inputs};
  whole.match = xss::has_vulnerability(body, whole.inputs, whole.state);
  Scan reference{std::nullopt, start, inputs};
  reference.match = quenlith_fuzz::ReferenceScanner(reference.inputs, reference.state).scan(body);
  FUZZ_CHECK(whole.match == reference.match);
  if (!whole.match) FUZZ_CHECK(whole.state == reference.state && whole.inputs == reference.inputs);

  const Scan chunked = scan_in_chunks(body, lengths, start, inputs);
  FUZZ_CHECK(whole.match == chunked.match);
  const Scan cached = scan_through_cache(body, lengths, start, inputs);
  FUZZ_CHECK(whole.match == cached.match);
  if (!whole.match) FUZZ_CHECK(whole.state == cached.state && whole.inputs == cached.inputs);
  if (!whole.match) {
    FUZZ_CHECK(whole.state == chunked.state && whole.inputs == chunked.inputs);
    FUZZ_CHECK(whole.state.offset == start.offset + body.size());
    for (const auto& input : whole.inputs) FUZZ_CHECK(input.progress < input.value.size());
  } else if (inputs.empty()) {
    FUZZ_CHECK(*whole.match == xss::SinkMatch{});
  } else {
    const auto& match = *whole.match;
    FUZZ_CHECK(match.match_byte_length == match.source.size());
    // The match ends at the byte that completed it (the bytes before it were fed in order,
    // but need not be next to each other: leaving a tag for script content keeps them).
    // A start that would lie before the response's first byte (possible only with a
    // progress handed in) reads as 0.
    const std::uint64_t end = match.match_byte_index + match.match_byte_length;
    if (match.match_byte_index > 0) {
      FUZZ_CHECK(end > start.offset && end <= start.offset + body.size());
      FUZZ_CHECK(body[static_cast<std::size_t>(end - start.offset - 1)] == match.source.back());
    }
  }
  return 0;
}
