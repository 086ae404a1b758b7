// The server-side JavaScript sink check on arbitrary code and spans: it answers what a plain
// version of its frames answers, reads nothing outside the code, a span covering the whole
// code is an injection, and a span with no byte inside the code, or an empty one, is not.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/evaluation/rules/ssjs_injection/sink_check.h"
#include "fuzz/fuzz_input.h"
#include "fuzz/span_checks.h"

using sorvane::evaluation::rules::ssjs_injection::sink_check::check_js_code;

namespace {

bool reference_check(std::string_view code, std::size_t index, std::size_t length) {
  if (index == 0 && length == code.size()) return true;
  enum class Kind { Code, Escape, String, Operator, Assign };
  struct Frame {
    Kind kind;
    char quote = 0;
    std::size_t start = 0;
    int count = 0;
  };
  const std::size_t end = quenlith_fuzz::saturating_end(index, length);
  const std::size_t limit = std::max<std::size_t>(end, 1);
  std::vector<Frame> saved;
  Frame frame{Kind::Code};
  int paren_depth = 0;
  int string_paren_depth = 0;
  bool assignment_seen = false;
  auto restore = [&] {
    frame = saved.back();
    saved.pop_back();
  };
  auto enter = [&](Frame next) {
    saved.push_back(frame);
    frame = next;
  };
  for (std::size_t u = 0; u < code.size() && u < limit; ++u) {
    const char c = code[u];
    const bool inside = index <= u && u < end;
    for (bool again = true; again;) {
      again = false;
      switch (frame.kind) {
        case Kind::Code:
          if (c == '\'' || c == '"' || c == '`') {
            enter({Kind::String, c, u});
          } else if (c == '\\') {
            enter({Kind::Escape});
          } else if (c == '(') {
            if (inside) ++paren_depth;
          } else if (c == ')') {
            if (inside && --paren_depth == 0) return true;
          } else if (c == '=') {
            enter({Kind::Assign, 0, u, 1});
          } else if (std::string_view("%&*+-/<>?^|").find(c) != std::string_view::npos) {
            enter({Kind::Operator, 0, u, 1});
          }
          break;
        case Kind::Escape:
          restore();
          break;
        case Kind::String:
          if (c == '\\') {
            enter({Kind::Escape});
          } else if (c == frame.quote) {
            if (inside && frame.start < index) return true;
            restore();
          } else if (inside && assignment_seen) {
            if (c == ')' && --string_paren_depth == 0) return true;
            if (c == '(') ++string_paren_depth;
          }
          break;
        case Kind::Operator: {
          const char first = code[frame.start];
          if (c == '=') {
            if (frame.count == 1 && first == '+') assignment_seen = true;
            restore();
          } else if (frame.count == 1 && c == first &&
                     std::string_view("*<>&?|").find(c) != std::string_view::npos) {
            frame.count = 2;
          } else if (frame.count == 2 && c == '>' && first == '>') {
            restore();
          } else {
            restore();
            again = true;
          }
          break;
        }
        case Kind::Assign:
          if (c == '=') {
            ++frame.count;
          } else {
            if (frame.count == 1) assignment_seen = true;
            restore();
            again = true;
          }
          break;
      }
    }
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  quenlith_fuzz::FuzzInput in(data, size);
  const std::size_t index = in.size();
  const std::size_t length = in.size();
  // The code is copied, so that a read past its end is caught even where the fuzzer's own
  // buffer would go on.
  const std::string code(in.rest());

  const bool answer = check_js_code(code, index, length);
  FUZZ_CHECK(answer == reference_check(code, index, length));
  const bool whole = index == 0 && length == code.size();
  if (whole) FUZZ_CHECK(answer);
  if (!whole && (index >= code.size() || length == 0)) FUZZ_CHECK(!answer);
  FUZZ_CHECK(check_js_code(code, 0, code.size()));
  return 0;
}
