#include "core/evaluation/input_analysis/input.h"

#include <optional>

#include "core/evaluation/input_analysis/rule_loop.h"
#include "core/evaluation/rules/registry.h"
#include "core/is_safe_checkers/binary_data.h"
#include "core/log/log.h"
#include "core/text/utf8.h"

namespace sorvane::evaluation::input_analysis::input {

namespace {

void evaluate(rule_loop::Lists& lists, std::string_view text, InputType input_type,
              std::span<const rules::RuleType> rules, bool prefer_worth_watching,
              const rule_loop::Screen* screen) {
  rules::CONFIG();
  const rules::InputTraits traits =
      rules::compute_input_traits(text, static_cast<std::uint8_t>(input_type));
  // The rules the screen rules out would log trace lines only.
  rule_loop::Screen::Kept kept;
  std::optional<std::size_t> count;
  if (screen && !log::enabled(log::Level::Trace)) {
    count = screen->keep(text.size(), traits, kept);
    if (count == std::size_t{0}) return;
  }
  if (is_safe_checkers::binary_data::is_binary_data(text, traits.flags)) {
    SORVANE_TRACE(rule_loop::kInputTarget,
                  "check_input - binary data detected, skipping rules. input: {}",
                  text::truncate_chars(text, 128));
    return;
  }
  if (count) {
    screen->run_kept(lists, text, traits, kept, *count);
  } else {
    rule_loop::run_into(lists, text, input_type, traits, rules, prefer_worth_watching, nullptr);
  }
}

}  // namespace

std::vector<rules::Finding> check_input(std::string_view text, InputType input_type,
                                        std::span<const rules::RuleType> rules,
                                        bool prefer_worth_watching) {
  rule_loop::Lists lists;
  evaluate(lists, text, input_type, rules, prefer_worth_watching, nullptr);
  return std::move(lists.findings);
}

std::vector<rules::Finding> check_input(std::string_view text, InputType input_type,
                                        std::span<const rules::RuleType> rules,
                                        bool prefer_worth_watching,
                                        const rule_loop::Screen& screen) {
  rule_loop::Lists lists;
  evaluate(lists, text, input_type, rules, prefer_worth_watching, &screen);
  return std::move(lists.findings);
}

void check_input(std::string_view text, InputType input_type,
                 std::span<const rules::RuleType> rules, bool prefer_worth_watching,
                 const rule_loop::Screen& screen, rule_loop::Lists& lists) {
  evaluate(lists, text, input_type, rules, prefer_worth_watching, &screen);
}

}  // namespace sorvane::evaluation::input_analysis::input
