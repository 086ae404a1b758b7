// The interface every protection rule implements.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "core/evaluation/input_type.h"
#include "core/evaluation/match_engine/pattern.h"
#include "core/evaluation/rules/id_list.h"
#include "core/evaluation/rules/input_traits.h"
#include "core/evaluation/rules/rule_config.h"
#include "core/evaluation/rules/rule_type.h"

namespace sorvane::evaluation::rules {

// A rule's first test of a text's character classes: false only when get_matches has no
// match for the text. It reads the characters and classes only (not the context), and it
// passes for any traits that hold all of those of traits it passes for.
using FirstTraitTest = bool (*)(const InputTraits& traits);

// The lengths in bytes, both ends included, of the texts get_matches may find matches in.
struct MatchLengths {
  std::size_t min = 0;
  std::size_t max = std::numeric_limits<std::size_t>::max();
  bool contains(std::size_t length) const { return length >= min && length <= max; }
  bool operator==(const MatchLengths&) const = default;
};

// Whether a rule's whole-text rows speak for it on `text` (see Rule::whole_text_rows).
using WholeTextTest = bool (*)(std::string_view text);

// Rules hold no data; one immutable instance per rule. Operations in slot order.
class Rule {
 public:
  virtual ~Rule() = default;
  virtual std::optional<RuleConfig> init() const = 0;
  virtual std::uint8_t get_index() const = 0;
  virtual bool applies_to_input_type(InputType type) const = 0;
  virtual bool implements_worth_watching() const { return false; }
  virtual bool is_worth_watching(const RuleConfig& /*config*/, std::string_view /*text*/,
                                 const InputTraits& /*traits*/) const {
    return false;
  }
  // Appends the rule's matches for `text`, in report order, to `matches`, which the caller
  // passes empty; left empty when there are none. A caller of many texts reuses one list, so
  // that a text with matches allocates nothing once the list has grown.
  virtual void get_matches(const RuleConfig& config, std::string_view text,
                           const InputTraits& traits, std::vector<PatternMatch>& matches) const = 0;
  virtual double score(const std::vector<PatternMatch>& matches) const = 0;
  // The test get_matches starts with, for the caller to run before the call; none when
  // the rule has no such test.
  virtual FirstTraitTest first_trait_test() const { return nullptr; }
  // get_matches has no match for a text of a length outside these.
  virtual MatchLengths match_lengths() const { return {}; }
  // The rows get_matches answers from when every match it reports is a row of these that
  // passes its pre-filters for the text (minimum length, context, characters) and matches
  // somewhere in the whole text (so none of them passing, or matching there, means no
  // matches); empty when the rule answers otherwise.
  virtual std::span<const match_engine::Pattern> whole_text_rows(
      const RuleConfig& /*config*/) const {
    return {};
  }
  // For a rule whose whole-text rows speak for it only on some texts: the test of those
  // texts (the others are answered as if the rule had no such rows); none when they speak
  // for it on every text.
  virtual WholeTextTest whole_text_test() const { return nullptr; }
  // Whether get_matches reports, in row order, exactly those of its whole-text rows (at
  // most 64) that pass their pre-filters for the text and match somewhere in it, once the
  // text passes tests of its traits and length: then matches_of_rows gives its answer.
  virtual bool answers_by_rows() const { return false; }
  // For a rule that answers by rows: get_matches' answer, given `matching`, the whole-text
  // rows that match somewhere in `text` (bit i: row i), without a search of its own.
  virtual void matches_of_rows(const RuleConfig& config, std::string_view text,
                               const InputTraits& traits, std::uint64_t /*matching*/,
                               std::vector<PatternMatch>& matches) const {
    get_matches(config, text, traits, matches);
  }
};

// The part every rule shares: its registry index, taken from its rule bit, and the set of
// input types it applies to.
template <RuleType Type, InputTypeSet InputTypes>
class RuleBase : public Rule {
  static_assert(rule_index(Type).has_value(), "a rule is named by a single rule bit");

 public:
  static constexpr std::uint8_t kIndex = *rule_index(Type);
  static constexpr InputTypeSet kInputTypes = InputTypes;

  std::uint8_t get_index() const final { return kIndex; }
  bool applies_to_input_type(InputType type) const final { return kInputTypes.contains(type); }
};

// The result of one rule on one text.
struct Finding {
  IdList ids;
  double score = 0;
  RuleType rule = 0;
  InputType input_type = InputType::FirstInvalid;
  bool operator==(const Finding&) const = default;
};

}  // namespace sorvane::evaluation::rules
