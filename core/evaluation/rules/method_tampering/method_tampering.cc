#include "core/evaluation/rules/method_tampering/method_tampering.h"

#include <algorithm>
#include <array>

namespace sorvane::evaluation::rules::method_tampering {
namespace {

constexpr std::size_t kShortest = 3;
constexpr std::size_t kLongest = 16;

// Known method names; a comparison reads the bytes only of names of the method's length.
constexpr std::array<std::string_view, 31> kKnownMethods = {
    "GET",        "PUT",        "ACL",        "POST",       "HEAD",        "COPY",
    "LOCK",       "MOVE",       "LABEL",      "MERGE",      "MKCOL",       "PATCH",
    "TRACE",      "DELETE",     "REPORT",     "SEARCH",     "UNLOCK",      "UPDATE",
    "CHECKIN",    "CONNECT",    "OPTIONS",    "CHECKOUT",   "PROPFIND",    "PROPPATCH",
    "MKACTIVITY", "MKCALENDAR", "ORDERPATCH", "UNCHECKOUT", "MKWORKSPACE", "VERSION-CONTROL",
    "BASELINE-CONTROL"};

}  // namespace

std::optional<RuleConfig> MethodTampering::init() const {
  return RuleConfig{rule_config::MethodTampering{}};
}

void MethodTampering::get_matches(const RuleConfig&, std::string_view, const InputTraits&,
                                  std::vector<PatternMatch>&) const {}

double MethodTampering::score(const std::vector<PatternMatch>& matches) const {
  return matches.empty() ? 0.0 : 90.0;
}

const MethodTampering& instance() {
  static const MethodTampering rule;
  return rule;
}

bool is_method_tampering(std::string_view method) {
  if (method.size() < kShortest || method.size() > kLongest) return true;
  std::array<char, kLongest> upper;
  std::transform(method.begin(), method.end(), upper.begin(),
                 [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; });
  const std::string_view copy(upper.data(), method.size());
  return std::find(kKnownMethods.begin(), kKnownMethods.end(), copy) == kKnownMethods.end();
}

}  // namespace sorvane::evaluation::rules::method_tampering
