#include "core/evaluation/input_analysis/input.h"

#include "core/evaluation/rules/registry.h"
#include "core/evaluation/input_analysis/rule_loop.h"
#include "core/is_safe_checkers/binary_data.h"
#include "core/log/log.h"
#include "core/text/utf8.h"

namespace sorvane::evaluation::input_analysis::input {

std::vector<rules::Finding> check_input(std::string_view text, InputType input_type,
                                        std::span<const rules::RuleType> rules,
                                        bool prefer_worth_watching) {
  rules::CONFIG();
  const rules::InputTraits traits =
      rules::compute_input_traits(text, static_cast<std::uint8_t>(input_type));
  if (is_safe_checkers::binary_data::is_binary_data(text, traits.flags)) {
    SORVANE_TRACE(rule_loop::kInputTarget,
                  "check_input - binary data detected, skipping rules. input: {}",
                  text::truncate_chars(text, 128));
    return {};
  }
  return rule_loop::run(text, input_type, traits, rules, prefer_worth_watching, nullptr);
}

}  // namespace sorvane::evaluation::input_analysis::input
