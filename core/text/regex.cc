#include "core/text/regex.h"

#include <re2/re2.h>
#include <re2/set.h>

#include <algorithm>

#include "core/fatal_error.h"
#include "core/text/regex_translate.h"

namespace sorvane::text {
namespace {

RE2::Options engine_options() {
  RE2::Options options;
  options.set_encoding(RE2::Options::EncodingUTF8);
  options.set_log_errors(false);
  options.set_dot_nl(false);
  options.set_never_capture(false);
  options.set_max_mem(64 << 20);
  return options;
}

std::unique_ptr<re2::RE2> build(std::string_view pattern, bool* is_match_only,
                                std::string* error) {
  auto translated = regex_translate::translate(pattern, error);
  if (!translated) return nullptr;
  auto re = std::make_unique<re2::RE2>(translated->pattern, engine_options());
  if (!re->ok()) {
    // The engine quotes the faulty part of the translated text, which may hold long
    // expanded classes.
    constexpr std::size_t kMaxMessage = 200;
    if (error) *error = re->error().substr(0, kMaxMessage);
    return nullptr;
  }
  *is_match_only = translated->is_match_only;
  return re;
}

re2::StringPiece piece(std::string_view s) { return re2::StringPiece(s.data(), s.size()); }

}  // namespace

Regex::Regex(std::string_view pattern) : source_(pattern) {
  std::string error;
  re_ = build(pattern, &is_match_only_, &error);
  if (!re_) panic_formatted("regex does not compile: " + std::string(pattern) + ": " + error);
}

Regex::~Regex() = default;
Regex::Regex(Regex&&) noexcept = default;
Regex& Regex::operator=(Regex&&) noexcept = default;

std::unique_ptr<Regex> Regex::try_compile(std::string_view pattern, std::string* error) {
  bool is_match_only = false;
  auto re = build(pattern, &is_match_only, error);
  if (!re) return nullptr;
  std::unique_ptr<Regex> out(new Regex());
  out->source_ = std::string(pattern);
  out->re_ = std::move(re);
  out->is_match_only_ = is_match_only;
  return out;
}

bool Regex::is_match(std::string_view text) const {
  return re_->Match(piece(text), 0, text.size(), RE2::UNANCHORED, nullptr, 0);
}

void Regex::require_spans() const {
  if (is_match_only_) panic("an expression with \\b answers is_match only");
}

std::optional<Span> Regex::find(std::string_view text, std::size_t from) const {
  require_spans();
  if (from > text.size()) return std::nullopt;
  re2::StringPiece m;
  if (!re_->Match(piece(text), from, text.size(), RE2::UNANCHORED, &m, 1)) return std::nullopt;
  std::size_t start = static_cast<std::size_t>(m.data() - text.data());
  return Span{start, start + m.size()};
}

std::vector<Span> Regex::find_all(std::string_view text) const {
  std::vector<Span> out;
  std::size_t from = 0;
  while (from <= text.size()) {
    auto m = find(text, from);
    if (!m) break;
    out.push_back(*m);
    if (m->end == m->start) {
      // An empty match: step over one whole character before searching again.
      if (m->end >= text.size()) break;
      std::size_t next = m->end + 1;
      while (next < text.size() && (static_cast<unsigned char>(text[next]) & 0xC0) == 0x80) ++next;
      from = next;
    } else {
      from = m->end;
    }
  }
  return out;
}

std::string Regex::replace_all(std::string_view text, std::string_view replacement) const {
  std::string out;
  std::size_t last = 0;
  for (const Span& m : find_all(text)) {
    out.append(text.substr(last, m.start - last));
    out.append(replacement);
    last = m.end;
  }
  out.append(text.substr(last));
  return out;
}

std::optional<std::string_view> Regex::anchored_capture1(std::string_view text) const {
  require_spans();
  if (re_->NumberOfCapturingGroups() < 1) return std::nullopt;
  re2::StringPiece groups[2];
  if (!re_->Match(piece(text), 0, text.size(), RE2::ANCHOR_START, groups, 2)) return std::nullopt;
  if (groups[1].data() == nullptr) return std::nullopt;
  return std::string_view(groups[1].data(), groups[1].size());
}

struct RegexSet::Engine {
  re2::RE2::Set set{engine_options(), re2::RE2::UNANCHORED};
};

std::unique_ptr<RegexSet> RegexSet::try_compile(std::span<const std::string_view> patterns,
                                                std::string* error) {
  std::unique_ptr<RegexSet> out(new RegexSet());
  out->engine_ = std::make_unique<Engine>();
  for (std::string_view pattern : patterns) {
    auto translated = regex_translate::translate(pattern, error);
    if (!translated) return nullptr;
    std::string message;
    if (out->engine_->set.Add(translated->pattern, &message) < 0) {
      constexpr std::size_t kMaxMessage = 200;
      if (error) *error = message.substr(0, kMaxMessage);
      return nullptr;
    }
  }
  if (!patterns.empty() && !out->engine_->set.Compile()) {
    if (error) *error = "the expressions exceed the memory budget";
    return nullptr;
  }
  out->size_ = patterns.size();
  return out;
}

RegexSet::~RegexSet() = default;

std::optional<bool> RegexSet::any_match(std::string_view text) const {
  if (size_ == 0) return false;
  re2::RE2::Set::ErrorInfo info{re2::RE2::Set::kNoError};
  if (engine_->set.Match(piece(text), nullptr, &info)) return true;
  if (info.kind != re2::RE2::Set::kNoError) return std::nullopt;
  return false;
}

std::optional<std::vector<std::size_t>> RegexSet::matching(std::string_view text) const {
  if (size_ == 0) return std::vector<std::size_t>{};
  std::vector<int> found;
  re2::RE2::Set::ErrorInfo info{re2::RE2::Set::kNoError};
  if (!engine_->set.Match(piece(text), &found, &info) && info.kind != re2::RE2::Set::kNoError) {
    return std::nullopt;
  }
  std::vector<std::size_t> out(found.begin(), found.end());
  std::sort(out.begin(), out.end());
  return out;
}

}  // namespace sorvane::text
