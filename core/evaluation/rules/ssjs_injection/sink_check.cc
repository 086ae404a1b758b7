#include "core/evaluation/rules/ssjs_injection/sink_check.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>

#include "core/fatal_error.h"

namespace sorvane::evaluation::rules::ssjs_injection::sink_check {

namespace {

enum class Kind : std::uint8_t { Code, Escape, String, Operator, Assign };

struct ScanFrame {
  Kind kind = Kind::Code;
  char quote = 0;          // String: the opening quotation character
  std::size_t start = 0;   // String: offset of the opening quote; Operator, Assign: of the operator
  std::uint8_t count = 0;  // Operator: 1 or 2; Assign: consecutive '=' seen (saturates)
};

// Saved frames: only Code and String are ever saved, a String only above a Code, so two
// entries suffice.
class FrameStack {
 public:
  void push(const ScanFrame& frame) {
    if (size_ == frames_.size()) panic("ssjs sink scanner: frame stack overflow");
    frames_[size_++] = frame;
  }
  ScanFrame pop() {
    if (size_ == 0) panic("ssjs sink scanner: frame stack underflow");
    return frames_[--size_];
  }

 private:
  std::array<ScanFrame, 2> frames_{};
  std::size_t size_ = 0;
};

bool is_operator_char(char c) {
  switch (c) {
    case '%': case '&': case '*': case '+': case '-': case '/':
    case '<': case '>': case '?': case '^': case '|':
      return true;
    default:
      return false;
  }
}

bool doubles_as_operator(char c) {
  return c == '*' || c == '<' || c == '>' || c == '&' || c == '?' || c == '|';
}

}  // namespace

bool check_js_code(std::string_view code, std::size_t input_index, std::size_t input_length) {
  if (input_index == 0 && input_length == code.size()) return true;

  constexpr std::size_t kMax = std::numeric_limits<std::size_t>::max();
  const std::size_t end = input_length > kMax - input_index ? kMax : input_index + input_length;
  const std::size_t limit = std::min(code.size(), std::max<std::size_t>(end, 1));

  ScanFrame frame;
  FrameStack saved;
  // Wider than any code a caller can pass, so the depths never overflow.
  std::int64_t paren_depth = 0;
  std::int64_t string_paren_depth = 0;
  bool assignment_seen = false;

  auto enter = [&](const ScanFrame& nested) {
    saved.push(frame);
    frame = nested;
  };

  for (std::size_t u = 0; u < limit; ++u) {
    const char c = code[u];
    const bool inside = u >= input_index && u < end;
    // A frame that does not take c hands it on to the restored frame, at the same offset.
    bool handled = false;
    while (!handled) {
      handled = true;
      switch (frame.kind) {
        case Kind::Code:
          if (c == '\'' || c == '"' || c == '`') {
            enter({Kind::String, c, u, 0});
          } else if (c == '\\') {
            enter({Kind::Escape, 0, 0, 0});
          } else if (c == '(') {
            if (inside) ++paren_depth;
          } else if (c == ')') {
            if (inside && --paren_depth == 0) return true;
          } else if (c == '=') {
            enter({Kind::Assign, 0, u, 1});
          } else if (is_operator_char(c)) {
            enter({Kind::Operator, 0, u, 1});
          }
          break;
        case Kind::Escape:
          frame = saved.pop();
          break;
        case Kind::String:
          if (c == '\\') {
            enter({Kind::Escape, 0, 0, 0});
          } else if (c == frame.quote) {
            if (inside && frame.start < input_index) return true;
            frame = saved.pop();
          } else if (inside && assignment_seen) {
            if (c == ')') {
              if (--string_paren_depth == 0) return true;
            } else if (c == '(') {
              ++string_paren_depth;
            }
          }
          break;
        case Kind::Operator: {
          const char first = code[frame.start];
          if (c == '=') {
            if (frame.count == 1 && first == '+') assignment_seen = true;
            frame = saved.pop();
          } else if (frame.count == 1 && c == first && doubles_as_operator(c)) {
            frame.count = 2;
          } else if (frame.count == 2 && c == '>' && first == '>') {
            frame = saved.pop();  // ">>>"
          } else {
            frame = saved.pop();
            handled = false;
          }
          break;
        }
        case Kind::Assign:
          if (c == '=') {
            if (frame.count < std::numeric_limits<std::uint8_t>::max()) ++frame.count;
          } else {
            if (frame.count == 1) assignment_seen = true;  // a single '=' (also "!=", "=>")
            frame = saved.pop();
            handled = false;
          }
          break;
      }
    }
  }
  return false;
}

}  // namespace sorvane::evaluation::rules::ssjs_injection::sink_check
