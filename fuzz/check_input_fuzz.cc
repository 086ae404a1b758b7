// One input of any type against any rule list (single rule bits and other values, repeats
// included), with and without the worth-watching pre-screens.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/evaluation/input_analysis/input.h"
#include "fuzz/findings_checks.h"
#include "fuzz/fuzz_input.h"

using sorvane::evaluation::InputType;
using sorvane::evaluation::input_analysis::input::check_input;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  quenlith_fuzz::FuzzInput in(data, size);
  const auto rules = in.rule_list();
  const auto input_type = static_cast<InputType>(in.byte() % 14 + 1);
  const bool prefer_worth_watching = in.flag();
  const std::string_view text = in.rest();
  if (!quenlith_fuzz::is_text(text)) return -1;

  const auto findings = quenlith_fuzz::same_with_lines_off(
      [&] { return check_input(text, input_type, rules, prefer_worth_watching); });
  quenlith_fuzz::check_findings(findings, rules, input_type, prefer_worth_watching);
  return 0;
}
