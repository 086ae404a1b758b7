// The bot-blocker rule: bad-bot signatures searched for in a User-Agent header value.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "core/evaluation/rules/rule.h"
#include "core/text/aho_corasick.h"

namespace sorvane::evaluation::rules::bot_blocker {

// One bad-bot signature: the name reported for a match and the bytes searched for.
struct BadBot {
  std::string_view name;
  std::string_view pattern;
  std::uint8_t level;
};

inline constexpr std::size_t kBadBotCount = 108;

// The signatures in a fixed order; a row's index is its pattern index in the automaton.
extern const std::array<BadBot, kBadBotCount> BAD_BOTS;

// What the rule prepares once: the table and one automaton over its patterns.
struct BotBlockerData {
  std::span<const BadBot> bots;
  text::AhoCorasick automaton;
};

// The rule's own matching yields nothing; bots are reported through check_for_bot, which
// the header evaluation calls for a User-Agent value.
class BotBlocker final : public RuleBase<kBotBlocker, InputTypeSet{InputType::HeaderValue}> {
 public:
  std::optional<RuleConfig> init() const override;
  void get_matches(const RuleConfig& config, std::string_view text, const InputTraits& traits,
                   std::vector<PatternMatch>& matches) const override;
  double score(const std::vector<PatternMatch>& matches) const override;
};

// The one instance of the rule.
const BotBlocker& instance();

// Every non-overlapping signature occurrence in `text`, in text order (case-sensitive);
// none when there is no match. `config` must be the bot-blocker configuration.
std::optional<std::vector<PatternMatch>> check_for_bot(const RuleConfig& config,
                                                       std::string_view text);

}  // namespace sorvane::evaluation::rules::bot_blocker
