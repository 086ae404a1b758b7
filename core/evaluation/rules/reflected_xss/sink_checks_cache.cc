#include "core/evaluation/rules/reflected_xss/sink_checks_cache.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "core/evaluation/rules/reflected_xss/sink_checks_inputs.h"

namespace sorvane::evaluation::rules::reflected_xss::sink_checks {

// The values live in the matcher's one buffer: an entry is made and dropped with a few
// allocations, whatever the number of its inputs.
struct InputsCache::Entry {
  explicit Entry(std::span<const std::string_view> values) : tracked(values) {
    serialize_inputs(tracked.values(), tracked.progress(), bytes, progress_at);
  }
  // Decoded inputs, copied: their values are views of the caller's bytes.
  explicit Entry(const std::vector<InputView>& decoded) : tracked(views_of(decoded)) {
    for (std::size_t i = 0; i < decoded.size(); ++i) {
      tracked.set_progress(i, decoded[i].progress);
    }
    tracked.resume();
    serialize_inputs(tracked.values(), tracked.progress(), bytes, progress_at);
  }
  static std::vector<std::string_view> views_of(const std::vector<InputView>& decoded) {
    std::vector<std::string_view> views;
    views.reserve(decoded.size());
    for (const InputView& in : decoded) views.push_back(in.value);
    return views;
  }

  // Sets input `i`'s progress and writes it into `bytes`; when it now takes another number
  // of bytes, the byte form is marked to be written again whole by `finish_bytes`.
  void write_progress(std::size_t i) {
    if (!rewrite && !overwrite_progress(bytes, progress_at[i], tracked.progress()[i])) {
      rewrite = true;
    }
  }
  void finish_bytes() {
    if (rewrite) serialize_inputs(tracked.values(), tracked.progress(), bytes, progress_at);
    rewrite = false;
  }

  std::size_t memory() const {
    return sizeof *this + tracked.memory() + bytes.capacity() +
           progress_at.capacity() * sizeof(std::size_t) +
           progress.capacity() * sizeof(std::uint64_t);
  }

  TrackedInputs tracked;            // the values and their progress
  std::vector<std::uint8_t> bytes;  // the byte form of the inputs
  std::vector<std::size_t> progress_at;
  std::vector<std::uint64_t> progress;  // while comparing bytes with the entry
  bool rewrite = false;
  // False while a scan runs: an entry left by a scan that failed midway is not kept (nor
  // is a list that does not decode from its bytes).
  bool sound = true;
};

InputsCache::Lease::Lease(InputsCache& cache, std::unique_ptr<Entry> entry)
    : cache_(&cache), entry_(std::move(entry)) {}

InputsCache::Lease::Lease(Lease&& other) noexcept
    : cache_(other.cache_), entry_(std::move(other.entry_)) {}

InputsCache::Lease::~Lease() {
  if (entry_) cache_->give_back(std::move(entry_));
}

bool InputsCache::Lease::empty() const { return entry_->tracked.empty(); }

std::span<const std::uint8_t> InputsCache::Lease::bytes() const { return entry_->bytes; }

std::span<const std::string_view> InputsCache::Lease::values() const {
  return entry_->tracked.values();
}

std::optional<SinkMatch> InputsCache::Lease::scan(std::string_view chunk, XssState& state) {
  Entry& e = *entry_;
  const bool sound = e.sound;
  e.sound = false;
  auto match = has_vulnerability(chunk, e.tracked, state);
  if (!match) {
    e.tracked.store_progress([&e](std::size_t i) { e.write_progress(i); });
    e.finish_bytes();
  }
  e.sound = sound;
  return match;
}

// Room for one more entry than are kept, so that putting one back (in a destructor)
// allocates nothing.
InputsCache::InputsCache() { entries_.reserve(kMaxEntries + 1); }
InputsCache::~InputsCache() = default;

Decoded<InputsCache::Lease> InputsCache::open(std::span<const std::uint8_t> bytes) {
  // An entry is taken out of the cache before it changes: if the change fails midway
  // (memory runs out), the entry is freed, never kept half changed.
  auto take = [&](std::size_t k) {
    std::unique_ptr<Entry> e = std::move(entries_[k]);
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(k));
    return e;
  };
  // The bytes last written for an entry: its progress values and position stand.
  for (std::size_t k = 0; k < entries_.size(); ++k) {
    const Entry& e = *entries_[k];
    if (e.bytes.size() == bytes.size() &&
        std::memcmp(e.bytes.data(), bytes.data(), bytes.size()) == 0) {
      std::unique_ptr<Entry> taken = take(k);
      taken->tracked.restore();
      return Decoded<Lease>::success(Lease(*this, std::move(taken)));
    }
  }
  // The same values with other progress values (another scan of the same list, an older
  // byte form, longer forms of the integers, trailing bytes).
  for (std::size_t k = 0; k < entries_.size(); ++k) {
    if (!read_progress_of(bytes, entries_[k]->tracked.values(), entries_[k]->progress)) continue;
    std::unique_ptr<Entry> e = take(k);
    for (std::size_t i = 0; i < e->progress.size(); ++i) {
      if (e->tracked.progress()[i] == e->progress[i]) continue;
      e->tracked.set_progress(i, e->progress[i]);
      e->write_progress(i);
    }
    e->finish_bytes();
    e->tracked.resume();
    return Decoded<Lease>::success(Lease(*this, std::move(e)));
  }
  auto decoded = view_inputs(bytes);
  if (!decoded) return Decoded<Lease>::failure(decoded.error());
  return Decoded<Lease>::success(Lease(*this, std::make_unique<Entry>(decoded.value())));
}

InputsCache::Lease InputsCache::adopt(std::span<const std::string_view> values) {
  const bool decodable =
      std::none_of(values.begin(), values.end(), [](std::string_view v) { return v.empty(); });
  auto e = std::make_unique<Entry>(values);
  e->sound = decodable;
  return Lease(*this, std::move(e));
}

void InputsCache::give_back(std::unique_ptr<Entry> entry) noexcept {
  if (!entry->sound || entry->tracked.empty()) return;
  std::size_t memory = entry->memory();
  if (memory > kMaxMemory) return;
  entries_.insert(entries_.begin(), std::move(entry));
  std::size_t kept = 1;
  for (; kept < entries_.size() && kept < kMaxEntries; ++kept) {
    memory += entries_[kept]->memory();
    if (memory > kMaxMemory) break;
  }
  entries_.resize(kept);
}

}  // namespace sorvane::evaluation::rules::reflected_xss::sink_checks
