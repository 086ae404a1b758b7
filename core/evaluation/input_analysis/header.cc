#include "core/evaluation/input_analysis/header.h"

#include <algorithm>
#include <array>

#include "core/evaluation/rules/registry.h"
#include "core/evaluation/input_analysis/rule_loop.h"
#include "core/is_safe_checkers/binary_data.h"
#include "core/is_safe_checkers/safe_headers.h"
#include "core/log/log.h"
#include "core/text/utf8.h"

namespace sorvane::evaluation::input_analysis::header {
namespace {

namespace safe_headers = is_safe_checkers::safe_headers;

// Common header values that no rule needs to see (exact, case-sensitive).
constexpr std::array<std::string_view, 17> kSafeValues = {
    "0",          "*/*",          "443",           "https",        "close",
    "text/xml",   "max-age=0",    "text/json",     "Keep-Alive",   "keep-alive",
    "$Version=1", "gzip,deflate", "gzip, deflate", "application/xml",
    "gzip, deflate, br", "gzip, deflate, sdch", "application/x-www-form-urlencoded"};

char ascii_lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

bool equals_ignore_ascii_case(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return ascii_lower(x) == ascii_lower(y);
         });
}

bool is_safe_value(std::string_view value) {
  return std::find(kSafeValues.begin(), kSafeValues.end(), value) != kSafeValues.end();
}

// Whether the name is a known header whose checker accepts the value. Names longer than
// every known name are not looked up (and need no lower-cased copy).
bool known_header_accepts(std::string_view name, std::string_view value) {
  if (name.size() > safe_headers::kLongestKnownName) return false;
  std::array<char, safe_headers::kLongestKnownName> lower;
  std::transform(name.begin(), name.end(), lower.begin(), ascii_lower);
  const auto& known = safe_headers::HASHED_KNOWN_HEADERS();
  auto it = known.find(std::string_view(lower.data(), name.size()));
  return it != known.end() && it->second(value);
}

}  // namespace

std::vector<rules::Finding> check_header(std::string_view name, std::string_view value,
                                         std::span<const rules::RuleType> rules,
                                         bool prefer_worth_watching) {
  if (is_safe_value(value) || known_header_accepts(name, value)) {
    SORVANE_TRACE(rule_loop::kHeaderTarget, "check_header - is safe: true. name: '{}'. value: {}",
                  name, value);
    return {};
  }
  rules::CONFIG();
  // A Referer value is a context of its own for the patterns; findings still carry
  // HeaderValue.
  const auto context = static_cast<std::uint8_t>(
      equals_ignore_ascii_case(name, "referer") ? kRefererValue : InputType::HeaderValue);
  const rules::InputTraits traits = rules::compute_input_traits(value, context);
  if (is_safe_checkers::binary_data::is_binary_data(value, traits.flags)) {
    SORVANE_TRACE(rule_loop::kHeaderTarget,
                  "check_header - binary data detected, skipping rules. name: '{}'. value: {}",
                  name, text::truncate_chars(value, 128));
    return {};
  }
  const rule_loop::Header header{name, equals_ignore_ascii_case(name, "user-agent")};
  return rule_loop::run(value, InputType::HeaderValue, traits, rules, prefer_worth_watching,
                        &header);
}

}  // namespace sorvane::evaluation::input_analysis::header
