#include "core/evaluation/rules/bot_blocker/bot_blocker.h"

#include <memory>

namespace sorvane::evaluation::rules::bot_blocker {
namespace {

constexpr std::uint8_t kLevel = 3;

// A row whose pattern is its name.
constexpr BadBot bot(std::string_view name) { return {name, name, kLevel}; }

}  // namespace

constinit const std::array<BadBot, kBadBotCount> BAD_BOTS = {{
    bot("NESSUS"),
    bot("Sucuri"),
    bot("masscan/1"),
    bot("Acunetix"),
    bot("Nikto"),
    bot("heritrix"),
    {"MJ12bot-1", "mj12bot", kLevel},
    {"MJ12bot-2", "MJ12bot", kLevel},
    {"MJ12bot-3", "MJ12BOT", kLevel},
    bot("Download Devil"),
    bot("Download Wonder"),
    bot("LinkextractorPro"),
    bot("Xenu"),
    bot("ZmEu"),
    bot("BlackWidow"),
    bot("harvester@example.com"),
    bot("ChinaClaw"),
    bot("Custo"),
    bot("DISCo"),
    bot("Download Demon"),
    bot("eCatch"),
    bot("EirGrabber"),
    bot("EmailSiphon"),
    bot("EmailWolf"),
    bot("Express WebPictures"),
    bot("Extractor"),
    bot("ScanAlert"),
    bot("CrowdStrike"),
    bot("Download Devil"),
    bot("Download Wonder"),
    bot("LinkextractorPro"),
    bot("Xenu"),
    bot("BlackWidow"),
    bot("ChinaClaw"),
    bot("Custo"),
    bot("DISCo"),
    bot("Download Demon"),
    bot("eCatch"),
    bot("EirGrabber"),
    bot("EmailSiphon"),
    bot("EmailWolf"),
    bot("Express WebPictures"),
    bot("Extractor"),
    bot("EyeNetIE"),
    bot("FlashGet"),
    bot("GetRight"),
    bot("GetWeb!"),
    bot("Go!Zilla"),
    bot("Go-Ahead-Got-It"),
    bot("GrabNet"),
    bot("Grafula"),
    bot("HMView"),
    bot("HTTrack"),
    bot("Image Stripper"),
    bot("Image Sucker"),
    bot("Indy Library"),
    bot("InterGET"),
    bot("Internet Ninja"),
    bot("JetCar"),
    bot("JOC Web Spider"),
    bot("larbin"),
    bot("libghttp"),
    bot("LeechFTP"),
    bot("Mass Downloader"),
    bot("MIDown tool"),
    bot("Missigua"),
    bot("Mister PiX"),
    bot("Navroad"),
    bot("NearSite"),
    bot("NetAnts"),
    bot("NetSpider"),
    bot("Net Vampire"),
    bot("NetZIP"),
    bot("Octopus"),
    bot("Offline Explorer"),
    bot("Offline Navigator"),
    bot("PageGrabber"),
    bot("Papa Foto"),
    bot("pavuk"),
    bot("pcBrowser"),
    bot("RealDownload"),
    bot("ReGet"),
    bot("SiteSnagger"),
    bot("SmartDownload"),
    bot("SuperBot"),
    bot("SuperHTTP"),
    bot("Surfbot"),
    bot("tAkeOut"),
    bot("Teleport Pro"),
    bot("VoidEYE"),
    bot("Web Image Collector"),
    bot("Web Sucker"),
    bot("WebAuto"),
    bot("WebCopier"),
    bot("WebFetch"),
    bot("WebGo IS"),
    bot("WebLeacher"),
    bot("WebReaper"),
    bot("WebSauger"),
    bot("Website eXtractor"),
    bot("Website Quester"),
    bot("WebStripper"),
    bot("WebWhacker"),
    bot("WebZIP"),
    bot("Widow"),
    bot("WWWOFFLE"),
    bot("Xaldon WebSpider"),
    bot("Zeus"),
}};

std::optional<RuleConfig> BotBlocker::init() const {
  std::vector<std::string_view> patterns;
  patterns.reserve(BAD_BOTS.size());
  for (const BadBot& row : BAD_BOTS) patterns.push_back(row.pattern);
  auto data = std::make_shared<const BotBlockerData>(BotBlockerData{
      BAD_BOTS, text::AhoCorasick(patterns, text::MatchKind::Standard, false)});
  return RuleConfig{rule_config::BotBlocker{std::move(data)}};
}

void BotBlocker::get_matches(const RuleConfig&, std::string_view, const InputTraits&,
                             std::vector<PatternMatch>&) const {}

double BotBlocker::score(const std::vector<PatternMatch>& matches) const {
  return matches.empty() ? 0.0 : 90.0;
}

const BotBlocker& instance() {
  static const BotBlocker rule;
  return rule;
}

std::optional<std::vector<PatternMatch>> check_for_bot(const RuleConfig& config,
                                                       std::string_view text) {
  const auto& data = config.expect<rule_config::BotBlocker>().data;
  if (!data) panic("bad RuleConfig");
  std::vector<PatternMatch> matches;
  for (const text::AcMatch& m : data->automaton.find_all(text)) {
    const BadBot& row = data->bots[m.pattern];
    matches.push_back(PatternMatch{row.name, row.level});
  }
  if (matches.empty()) return std::nullopt;
  return matches;
}

}  // namespace sorvane::evaluation::rules::bot_blocker
