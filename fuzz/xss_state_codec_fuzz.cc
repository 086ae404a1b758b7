// The readers of the body scanner's serialised state and input list on arbitrary bytes:
// they never read past the buffer, what they accept re-serialises to the bytes they read
// (up to varints written longer than needed), and it reads back to the same value.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "core/evaluation/rules/reflected_xss/sink_checks_codec.h"
#include "fuzz/fuzz_input.h"

namespace {

namespace xss = sorvane::evaluation::rules::reflected_xss::sink_checks;

// The writer's bytes are a prefix of the input, except where the input holds an integer in a
// longer form than the shortest: both then agree up to that integer, where the input has
// the larger marker (251 to 253) and the writer a smaller one or the value itself.
void check_rewritten(std::span<const std::uint8_t> input, const std::vector<std::uint8_t>& out) {
  FUZZ_CHECK(!out.empty());
  std::size_t i = 0;
  while (i < out.size() && i < input.size() && out[i] == input[i]) ++i;
  if (i == out.size()) return;
  FUZZ_CHECK(i < input.size());
  FUZZ_CHECK(input[i] >= 251 && input[i] <= 253 && out[i] < input[i]);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);

  auto state = xss::deserialize_state(bytes);
  if (state) {
    FUZZ_CHECK(state->parse_state.kind != xss::ParseState::Kind::TagName ||
               state->parse_state.count < 6);
    auto out = xss::serialize_state(*state);
    check_rewritten(bytes, out);
    auto again = xss::deserialize_state(out);
    FUZZ_CHECK(again && *again == *state);
  } else {
    FUZZ_CHECK(!state.error().empty());
  }

  auto inputs = xss::deserialize_inputs(bytes);
  if (inputs) {
    for (const auto& input : *inputs) {
      FUZZ_CHECK(!input.value.empty() && input.progress < input.value.size());
      FUZZ_CHECK(quenlith_fuzz::is_text(input.value));
    }
    auto out = xss::serialize_inputs(*inputs);
    check_rewritten(bytes, out);
    auto again = xss::deserialize_inputs(out);
    FUZZ_CHECK(again && *again == *inputs);
  } else {
    FUZZ_CHECK(!inputs.error().empty());
  }
  return 0;
}
