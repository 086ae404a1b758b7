#include "core/text/regex.h"

#include <re2/re2.h>
#include <re2/set.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <thread>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

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

// The engine quotes the faulty part of the translated text, which may hold long expanded
// classes: its messages are cut to this many bytes.
constexpr std::size_t kMaxMessage = 200;

Expected<std::unique_ptr<re2::RE2>, std::string> build(std::string_view pattern,
                                                       bool* is_match_only) {
  auto translated = regex_translate::translate(pattern);
  if (!translated) return Unexpected{std::move(translated).error()};
  auto re = std::make_unique<re2::RE2>(translated->pattern, engine_options());
  if (!re->ok()) return Unexpected{re->error().substr(0, kMaxMessage)};
  *is_match_only = translated->is_match_only;
  return re;
}

re2::StringPiece piece(std::string_view s) { return re2::StringPiece(s.data(), s.size()); }

std::size_t next_engine_id() {
  static std::atomic<std::size_t> next{0};
  return next.fetch_add(1, std::memory_order_relaxed);
}

// What a thread knows of the engines it used, by engine id: how often it searched with
// the shared object, and its own copy once it made one.
template <class Compiled>
struct ThreadCopies {
  std::vector<std::uint32_t> uses;
  std::vector<std::unique_ptr<Compiled>> copies;
};

#ifdef _WIN32
// The Windows toolchain emulates thread_local storage and may free it before the object's
// destructor runs at thread exit. Fiber-local storage calls its callback with the value
// itself, so each thread's copies are freed exactly once, when the thread ends.
template <class Compiled>
void __stdcall free_thread_copies(void* copies) {
  delete static_cast<ThreadCopies<Compiled>*>(copies);
}

// The calling thread's copies; nullptr when the system has no storage left for them.
template <class Compiled>
ThreadCopies<Compiled>* thread_copies() {
  static const DWORD index = FlsAlloc(&free_thread_copies<Compiled>);
  if (index == FLS_OUT_OF_INDEXES) return nullptr;
  auto* copies = static_cast<ThreadCopies<Compiled>*>(FlsGetValue(index));
  if (copies != nullptr) return copies;
  auto fresh = std::make_unique<ThreadCopies<Compiled>>();
  if (!FlsSetValue(index, fresh.get())) return nullptr;
  return fresh.release();
}
#else
template <class Compiled>
ThreadCopies<Compiled>* thread_copies() {
  thread_local ThreadCopies<Compiled> copies;
  return &copies;
}
#endif

// A compiled object and the thread that searches with it. Another thread uses the shared
// object for its first searches and then a copy of its own: compiling costs about as much
// as a few hundred searches, so expressions that a thread seldom uses are never copied.
template <class Compiled>
struct Shared {
  static constexpr std::uint32_t kUsesBeforeCopy = 256;

  std::unique_ptr<Compiled> object;
  std::size_t id = next_engine_id();
  mutable std::atomic<std::thread::id> home{};

  // `copy()` compiles a copy, or answers nullptr when it cannot (the shared object serves).
  template <class Copy>
  const Compiled& for_this_thread(Copy&& copy) const {
    const std::thread::id self = std::this_thread::get_id();
    std::thread::id owner = home.load(std::memory_order_relaxed);
    if (owner == self) return *object;
    if (owner == std::thread::id() &&
        home.compare_exchange_strong(owner, self, std::memory_order_relaxed)) {
      return *object;
    }
    ThreadCopies<Compiled>* copies = thread_copies<Compiled>();
    if (copies == nullptr) return *object;
    auto& mine = *copies;
    if (id < mine.copies.size() && mine.copies[id]) return *mine.copies[id];
    if (id >= mine.uses.size()) mine.uses.resize(id + 1);
    if (++mine.uses[id] < kUsesBeforeCopy) return *object;
    if (id >= mine.copies.size()) mine.copies.resize(id + 1);
    mine.copies[id] = copy();
    if (!mine.copies[id]) {
      mine.uses[id] = 0;  // the copy failed: go on with the shared object for a while
      return *object;
    }
    return *mine.copies[id];
  }
};

}  // namespace

struct Regex::Engine : Shared<re2::RE2> {
  const re2::RE2& re() const {
    return for_this_thread([&]() -> std::unique_ptr<re2::RE2> {
      auto copy = std::make_unique<re2::RE2>(object->pattern(), engine_options());
      return copy->ok() ? std::move(copy) : nullptr;
    });
  }
};

Regex::Regex(std::string_view pattern) : source_(pattern) {
  engine_ = std::make_unique<Engine>();
  auto built = build(pattern, &is_match_only_);
  if (!built) {
    panic_formatted("regex does not compile: " + std::string(pattern) + ": " + built.error());
  }
  engine_->object = std::move(*built);
}

Regex::~Regex() = default;
Regex::Regex(Regex&&) noexcept = default;
Regex& Regex::operator=(Regex&&) noexcept = default;

Expected<std::unique_ptr<Regex>, std::string> Regex::try_compile(std::string_view pattern) {
  bool is_match_only = false;
  auto re = build(pattern, &is_match_only);
  if (!re) return Unexpected{std::move(re).error()};
  std::unique_ptr<Regex> out(new Regex());
  out->source_ = std::string(pattern);
  out->engine_ = std::make_unique<Engine>();
  out->engine_->object = std::move(*re);
  out->is_match_only_ = is_match_only;
  return out;
}

bool Regex::is_match(std::string_view text) const {
  return engine_->re().Match(piece(text), 0, text.size(), RE2::UNANCHORED, nullptr, 0);
}

void Regex::require_spans() const {
  if (is_match_only_) panic("an expression with \\b answers is_match only");
}

std::optional<Span> Regex::find(std::string_view text, std::size_t from) const {
  require_spans();
  if (from > text.size()) return std::nullopt;
  re2::StringPiece m;
  if (!engine_->re().Match(piece(text), from, text.size(), RE2::UNANCHORED, &m, 1)) {
    return std::nullopt;
  }
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
  const re2::RE2& re = engine_->re();
  if (re.NumberOfCapturingGroups() < 1) return std::nullopt;
  re2::StringPiece groups[2];
  if (!re.Match(piece(text), 0, text.size(), RE2::ANCHOR_START, groups, 2)) return std::nullopt;
  if (groups[1].data() == nullptr) return std::nullopt;
  return std::string_view(groups[1].data(), groups[1].size());
}

namespace {

// A set of the translated patterns, compiled, or why it could not be.
Expected<std::unique_ptr<re2::RE2::Set>, std::string> compile_set(
    const std::vector<std::string>& translated) {
  auto set = std::make_unique<re2::RE2::Set>(engine_options(), re2::RE2::UNANCHORED);
  for (const std::string& pattern : translated) {
    // The engine is not asked to fill a string of ours: its message is read from a compiled
    // expression instead, so no memory passes between its allocator and the library's.
    if (set->Add(pattern, nullptr) < 0) {
      re2::RE2 alone(pattern, engine_options());
      return Unexpected{alone.error().substr(0, kMaxMessage)};
    }
  }
  if (!translated.empty() && !set->Compile()) {
    return Unexpected{std::string("the expressions exceed the memory budget")};
  }
  return set;
}

}  // namespace

struct RegexSet::Engine : Shared<re2::RE2::Set> {
  std::vector<std::string> translated;

  const re2::RE2::Set& set() const {
    return for_this_thread([&]() -> std::unique_ptr<re2::RE2::Set> {
      auto copy = compile_set(translated);
      return copy ? std::move(*copy) : nullptr;
    });
  }
};

Expected<std::unique_ptr<RegexSet>, std::string> RegexSet::try_compile(
    std::span<const std::string_view> patterns) {
  std::unique_ptr<RegexSet> out(new RegexSet());
  out->engine_ = std::make_unique<Engine>();
  for (std::string_view pattern : patterns) {
    auto translated = regex_translate::translate(pattern);
    if (!translated) return Unexpected{std::move(translated).error()};
    out->engine_->translated.push_back(std::move(translated->pattern));
  }
  auto set = compile_set(out->engine_->translated);
  if (!set) return Unexpected{std::move(set).error()};
  out->engine_->object = std::move(*set);
  out->size_ = patterns.size();
  return out;
}

RegexSet::~RegexSet() = default;

std::optional<bool> RegexSet::any_match(std::string_view text) const {
  if (size_ == 0) return false;
  re2::RE2::Set::ErrorInfo info{re2::RE2::Set::kNoError};
  if (engine_->set().Match(piece(text), nullptr, &info)) return true;
  if (info.kind != re2::RE2::Set::kNoError) return std::nullopt;
  return false;
}

std::optional<std::vector<std::size_t>> RegexSet::matching(std::string_view text) const {
  if (size_ == 0) return std::vector<std::size_t>{};
  // Room for every index up front, so the engine fills the vector without reallocating it.
  std::vector<int> found;
  found.reserve(size_);
  re2::RE2::Set::ErrorInfo info{re2::RE2::Set::kNoError};
  if (!engine_->set().Match(piece(text), &found, &info) && info.kind != re2::RE2::Set::kNoError) {
    return std::nullopt;
  }
  std::vector<std::size_t> out(found.begin(), found.end());
  std::sort(out.begin(), out.end());
  return out;
}

}  // namespace sorvane::text
