// One header name and value against any rule list, with and without the worth-watching
// pre-screens: findings are header values, and a bot found in a User-Agent is the only one.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/evaluation/input_analysis/header.h"
#include "fuzz/findings_checks.h"
#include "fuzz/fuzz_input.h"

using sorvane::evaluation::InputType;
using sorvane::evaluation::input_analysis::header::check_header;

namespace {

bool is_user_agent(std::string_view name) {
  constexpr std::string_view kName = "user-agent";
  if (name.size() != kName.size()) return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    char c = name[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != kName[i]) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  quenlith_fuzz::FuzzInput in(data, size);
  const auto rules = in.rule_list();
  const bool prefer_worth_watching = in.flag();
  const std::string_view name = in.piece();
  const std::string_view value = in.rest();
  if (!quenlith_fuzz::is_text(name) || !quenlith_fuzz::is_text(value)) return -1;

  const auto findings = quenlith_fuzz::same_with_lines_off(
      [&] { return check_header(name, value, rules, prefer_worth_watching); });
  quenlith_fuzz::check_findings(findings, rules, InputType::HeaderValue, prefer_worth_watching);
  if (is_user_agent(name)) {
    for (const auto& finding : findings) {
      if (finding.rule != sorvane::evaluation::rules::kBotBlocker) continue;
      FUZZ_CHECK(findings.size() == 1 && finding.ids.size() == 1 && finding.score == 90.0);
    }
  }
  return 0;
}
