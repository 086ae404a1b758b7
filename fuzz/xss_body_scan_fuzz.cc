// The response-body scanner on arbitrary bodies, inputs and chunk splits: a body scanned in
// chunks, with state and inputs passed through their byte form between chunks, answers
// exactly what the whole body answers, and a match names bytes that hold the input.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "core/evaluation/rules/reflected_xss/sink_checks.h"
#include "core/evaluation/rules/reflected_xss/sink_checks_codec.h"
#include "fuzz/fuzz_input.h"

namespace {

namespace xss = sorvane::evaluation::rules::reflected_xss::sink_checks;

struct Scan {
  std::optional<xss::SinkMatch> match;
  xss::XssState state;
  std::vector<xss::UserInput> inputs;
};

Scan scan_in_chunks(std::string_view body, const std::vector<std::size_t>& lengths,
                    std::vector<xss::UserInput> inputs) {
  Scan scan{std::nullopt, {}, std::move(inputs)};
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  quenlith_fuzz::FuzzInput in(data, size);
  std::vector<xss::UserInput> inputs;
  for (int count = in.byte() % 4; count > 0; --count) {
    auto value = in.piece();
    if (value.empty() || !quenlith_fuzz::is_text(value)) return -1;
    inputs.push_back({std::string(value), 0});
  }
  std::vector<std::size_t> lengths(in.byte() % 8);
  for (auto& length : lengths) length = in.size();
  const std::string_view body = in.rest();

  Scan whole{std::nullopt, {}, inputs};
  whole.match = xss::has_vulnerability(body, whole.inputs, whole.state);
  const Scan chunked = scan_in_chunks(body, lengths, inputs);

  FUZZ_CHECK(whole.match == chunked.match);
  if (!whole.match) {
    FUZZ_CHECK(whole.state == chunked.state && whole.inputs == chunked.inputs);
    FUZZ_CHECK(whole.state.offset == body.size());
    for (const auto& input : whole.inputs) FUZZ_CHECK(input.progress < input.value.size());
  } else if (inputs.empty()) {
    FUZZ_CHECK(*whole.match == xss::SinkMatch{});
  } else {
    const auto& match = *whole.match;
    FUZZ_CHECK(match.match_byte_length == match.source.size());
    FUZZ_CHECK(match.match_byte_index <= body.size() &&
               match.match_byte_length <= body.size() - match.match_byte_index);
    FUZZ_CHECK(body.substr(match.match_byte_index, match.match_byte_length) == match.source);
  }
  return 0;
}
