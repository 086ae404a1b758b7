// The server-side JavaScript sink check on arbitrary code and spans: it reads nothing
// outside the code, a span covering the whole code is an injection, and a span with no byte
// inside the code, or an empty one, is not.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/evaluation/rules/ssjs_injection/sink_check.h"
#include "fuzz/fuzz_input.h"

using sorvane::evaluation::rules::ssjs_injection::sink_check::check_js_code;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  quenlith_fuzz::FuzzInput in(data, size);
  const std::size_t index = in.size();
  const std::size_t length = in.size();
  // The code is copied, so that a read past its end is caught even where the fuzzer's own
  // buffer would go on.
  const std::string code(in.rest());

  const bool answer = check_js_code(code, index, length);
  const bool whole = index == 0 && length == code.size();
  if (whole) FUZZ_CHECK(answer);
  if (!whole && (index >= code.size() || length == 0)) FUZZ_CHECK(!answer);
  FUZZ_CHECK(check_js_code(code, 0, code.size()));
  return 0;
}
