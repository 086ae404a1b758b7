// The byte format in which the body scanner's state and tracked inputs travel between
// chunks. Integers are little-endian varints of 1, 3, 5 or 9 bytes (markers 251, 252,
// 253); variant tags are varints followed by the variant's payload.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "core/evaluation/rules/reflected_xss/sink_checks.h"

namespace sorvane::evaluation::rules::reflected_xss::sink_checks {

// A decoded value or the description of why the bytes do not hold one.
template <class T>
class Decoded {
 public:
  static Decoded success(T value) { return Decoded(std::in_place_index<0>, std::move(value)); }
  static Decoded failure(std::string description) {
    return Decoded(std::in_place_index<1>, std::move(description));
  }

  bool has_value() const { return v_.index() == 0; }
  explicit operator bool() const { return has_value(); }
  const T& value() const { return std::get<0>(v_); }
  T& value() { return std::get<0>(v_); }
  const T& operator*() const { return value(); }
  const T* operator->() const { return &value(); }
  // The description of the failure; empty for a success.
  const std::string& error() const {
    static const std::string kNone;
    return has_value() ? kNone : std::get<1>(v_);
  }

 private:
  template <std::size_t I, class U>
  Decoded(std::in_place_index_t<I> i, U&& u) : v_(i, std::forward<U>(u)) {}
  std::variant<T, std::string> v_;
};

std::vector<std::uint8_t> serialize_state(const XssState& state);
std::vector<std::uint8_t> serialize_inputs(std::span<const UserInput> inputs);
// Writes the byte form of `inputs` into `out` and where each input's progress starts in it
// into `progress_at`.
void serialize_inputs(std::span<const UserInput> inputs, std::vector<std::uint8_t>& out,
                      std::vector<std::size_t>& progress_at);
// The same for inputs given as their values and progress values.
void serialize_inputs(std::span<const std::string_view> values,
                      std::span<const std::uint64_t> progress, std::vector<std::uint8_t>& out,
                      std::vector<std::size_t>& progress_at);
// Writes `progress` over the progress of the input whose progress starts at `at` in a byte
// form; false, leaving the bytes as they are, when the two take a different number of bytes.
bool overwrite_progress(std::span<std::uint8_t> bytes, std::size_t at, std::uint64_t progress);

// Readers ignore bytes after a complete value, never reserve memory for more than the
// bytes present, and reject a TagName count of 6 or more, an empty input value and an
// input progress that is not below its value's length.
Decoded<XssState> deserialize_state(std::span<const std::uint8_t> bytes);
Decoded<std::vector<UserInput>> deserialize_inputs(std::span<const std::uint8_t> bytes);
// An input whose value is a view of the bytes it was read from.
struct InputView {
  std::string_view value;
  std::uint64_t progress = 0;
};
// Reads the inputs as deserialize_inputs does (the same checks and descriptions), without
// copying their values: the views last as long as `bytes`.
Decoded<std::vector<InputView>> view_inputs(std::span<const std::uint8_t> bytes);
// Whether `bytes` decode without error to inputs with exactly `values` (values that decode:
// valid UTF-8, not empty), in the same order; their progress values are then written to
// `progress`. Copies no value.
bool read_progress_of(std::span<const std::uint8_t> bytes,
                      std::span<const std::string_view> values,
                      std::vector<std::uint64_t>& progress);

}  // namespace sorvane::evaluation::rules::reflected_xss::sink_checks
