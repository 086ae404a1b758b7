// The reflected-XSS rule: screens an input by its character classes and, when short, by a
// list of short attack vectors, decodes JavaScript letter escapes and HTML character
// references, then hands the decoded text to the XSS matcher.
#pragma once

#include <array>
#include <string_view>

#include "core/evaluation/rules/rule.h"
#include "core/text/aho_corasick.h"

namespace sorvane::evaluation::rules::reflected_xss {

class ReflectedXss final : public RuleBase<kReflectedXss, InputTypeSet{InputType::JsonValue, InputType::ParameterKey,
                                                       InputType::ParameterValue, InputType::UriPath,
                                                       InputType::UrlParameter, InputType::XmlValue}> {
 public:
  std::optional<RuleConfig> init() const override;
  void get_matches(const RuleConfig& config, std::string_view text, const InputTraits& traits,
                   std::vector<PatternMatch>& matches) const override;
  double score(const std::vector<PatternMatch>& matches) const override;
  // The character gate get_matches starts with.
  FirstTraitTest first_trait_test() const override;
};

// The one instance of the rule.
const ReflectedXss& instance();

// Inputs of at most this many bytes are matched only when they hold a short vector.
inline constexpr std::size_t kShortInputLength = 16;

extern const std::array<std::string_view, 97> SHORT_VECTORS;

// The automaton over SHORT_VECTORS (standard semantics, ASCII case folding).
const text::AhoCorasick& short_vectors_automaton();

}  // namespace sorvane::evaluation::rules::reflected_xss
