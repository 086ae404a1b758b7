// One index per distinct text of a response, for texts that it repeats.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "bindings/node/napi.h"
#include "core/text/equal_bytes.h"

namespace bindings::node {

// One value per text: the key paths of a JSON body repeat the keys that enclose them,
// operator keys and short values recur all over a hostile body, and rule names, input type
// names and pattern identifiers are static texts. A short text is found by its bytes; a
// longer one by its place in memory, so that no text is hashed more often than it occurs in
// what the call read. Every text handed in must stay alive and unchanged while the cache is
// used.
class StringCache {
 public:
  // Room for `expected` texts before the table first grows (it grows past them as needed).
  explicit StringCache(std::size_t expected = 0);

  // The index kept for `text`, or on its first request the one `make(text)` answers
  // (a napi::Result<std::uint32_t>), kept from then on. `make` must not use the cache.
  template <class Make>
  napi::Result<std::uint32_t> get(std::string_view text, Make&& make);

  // How many slots past its first one the lookup of `text` reads (for tests).
  std::size_t probe_length(std::string_view text) const;

  // Texts up to this many bytes are found by their bytes.
  static constexpr std::size_t kShortText = sorvane::text::kWordComparedBytes;
  // The hash of a text: of its bytes when short, of its place otherwise; the top bits carry
  // the most of it.
  static std::uint64_t hash(std::string_view text);

 private:
  static constexpr std::size_t kInitialSlots = 64;  // a power of two
  static constexpr std::uint32_t kNone = UINT32_MAX;

  // A text kept, in the order of their first requests.
  struct Entry {
    const char* data = nullptr;  // nullptr: none
    std::size_t size = 0;
    std::uint32_t index = 0;
  };
  // A slot of the table: eight bytes, so that the table of a large response stays in the
  // nearer caches (most lookups of a response's texts are of texts not seen yet, and read only
  // slots). `tag` is a part of the text's hash that the slot's place does not give, so that a
  // lookup reads an entry only when it most likely holds the text.
  struct Slot {
    std::uint32_t tag = 0;
    std::uint32_t entry = 0;  // 0: free; otherwise entries_[entry - 1]
  };

  static std::uint32_t tag_of(std::uint64_t hash) {
    return static_cast<std::uint32_t>(hash ^ (hash >> 32));
  }
  static bool same(const Entry& entry, std::string_view text);
  // Where the lookup of a text of hash `hash` starts.
  std::size_t home(std::uint64_t hash) const { return hash >> shift_; }
  // The place of the slot of `text` (of hash `hash`), or of the free slot where it belongs.
  std::size_t place(std::string_view text, std::uint64_t hash) const;
  // Keeps `index` for `text` in the free slot at `place`.
  void add(std::size_t place, std::uint32_t tag, std::string_view text, std::uint32_t index);
  // Replaces the table with an empty one of `size` slots (a power of two).
  void resize(std::size_t size);
  void grow();

  std::vector<Slot> slots_;
  std::vector<Entry> entries_;
  int shift_ = 64;  // 64 - log2 of the slot count: a slot is the top bits of a hash
  std::uint32_t empty_ = kNone;
  Entry last_;  // the latest text found or added
};

// The latest short texts by their bytes, one per slot of a small table: a text takes the slot
// of the one before it with the same top bits of its hash. What is pushed out is only made
// again, and the table (16 KB) stays in the nearest cache, so a text not seen yet costs one
// load there. For texts of which most are new and some recur in turns. Every text handed in
// must stay alive and unchanged while the table is used.
class RecentTexts {
 public:
  // The index kept for `text`, or the one `make(text)` answers, kept for a short text until
  // another takes its slot.
  template <class Make>
  napi::Result<std::uint32_t> get(std::string_view text, Make&& make);

 private:
  static constexpr int kSlotBits = 10;

  struct Slot {
    const char* data = nullptr;
    std::uint32_t size_and_one = 0;  // 0: free
    std::uint32_t index = 0;
  };
  std::vector<Slot> slots_;  // made on the first short text
};

// Found per result: defined here so that the lookups inline into their callers.

inline std::uint64_t StringCache::hash(std::string_view text) {
  // The bytes of a short text, eight at a time (the last word overlapping the one before);
  // the address of a long one. Both with the size. Each step ends with a multiplication,
  // which carries every bit of its operand only upwards: the slot is taken from the top
  // bits. (The low bits of texts that differ in their last bytes, as "eval(1)" and
  // "eval(2)" do, differ too little and crowd a few slots.)
  constexpr std::uint64_t kMultiplier = 0x9e3779b97f4a7c15u;
  using sorvane::text::load_word;
  const auto load64 = [](const char* at) { return load_word<std::uint64_t>(at); };
  const auto load32 = [](const char* at) { return std::uint64_t{load_word<std::uint32_t>(at)}; };
  const char* p = text.data();
  const std::size_t n = text.size();
  std::uint64_t h = (n + 1) * kMultiplier;
  if (n > kShortText) {
    // Told by address: addresses of a response's texts step by like amounts, which one
    // multiplication leaves in runs of the top bits; a second round spreads them.
    h = (h ^ reinterpret_cast<std::uintptr_t>(p)) * kMultiplier;
    h = (h ^ (h >> 32)) * kMultiplier;
  } else if (n >= 8) {
    for (std::size_t at = 0; at + 8 < n; at += 8) h = (h ^ load64(p + at)) * kMultiplier;
    h = (h ^ load64(p + n - 8)) * kMultiplier;
  } else if (n >= 4) {
    h = (h ^ (load32(p) | load32(p + n - 4) << 32)) * kMultiplier;
  } else if (n > 0) {
    const auto byte = [&](std::size_t i) { return std::uint64_t{static_cast<unsigned char>(p[i])}; };
    h = (h ^ (byte(0) | byte(n / 2) << 8 | byte(n - 1) << 16)) * kMultiplier;
  }
  return h;
}

inline bool StringCache::same(const Entry& entry, std::string_view text) {
  if (entry.size != text.size()) return false;
  if (entry.data == text.data()) return true;
  return text.size() <= kShortText && sorvane::text::equal_bytes({entry.data, entry.size}, text);
}

inline std::size_t StringCache::place(std::string_view text, std::uint64_t hash) const {
  const std::size_t mask = slots_.size() - 1;
  const std::uint32_t tag = tag_of(hash);
  std::size_t i = home(hash);
  for (;; i = (i + 1) & mask) {
    const Slot slot = slots_[i];
    if (slot.entry == 0 || (slot.tag == tag && same(entries_[slot.entry - 1], text))) return i;
  }
}

template <class Make>
napi::Result<std::uint32_t> StringCache::get(std::string_view text, Make&& make) {
  // Empty texts may sit anywhere (or nowhere): they share one value.
  if (text.empty()) {
    if (empty_ == kNone) {
      BINDING_ASSIGN(empty_, make(text));
    }
    return empty_;
  }
  // The text just asked for recurs often, at the same place (a key and its finding's text, a
  // value and its second finding) or at another (an operator key in every object of a list).
  if (same(last_, text)) return last_.index;
  const std::uint64_t h = hash(text);
  const std::size_t at = place(text, h);
  if (const std::uint32_t entry = slots_[at].entry; entry != 0) {
    last_ = entries_[entry - 1];
    return last_.index;
  }
  BINDING_ASSIGN(std::uint32_t index, make(text));
  add(at, tag_of(h), text, index);
  return index;
}

template <class Make>
napi::Result<std::uint32_t> RecentTexts::get(std::string_view text, Make&& make) {
  if (text.size() > StringCache::kShortText) return make(text);
  if (slots_.empty()) slots_.resize(std::size_t{1} << kSlotBits);
  Slot& slot = slots_[StringCache::hash(text) >> (64 - kSlotBits)];
  if (slot.size_and_one == text.size() + 1 &&
      sorvane::text::equal_bytes({slot.data, text.size()}, text)) {
    return slot.index;
  }
  BINDING_ASSIGN(std::uint32_t index, make(text));
  slot = Slot{text.data(), static_cast<std::uint32_t>(text.size() + 1), index};
  return index;
}

}  // namespace bindings::node
