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
  // (a napi::Result<std::uint32_t>), kept from then on.
  template <class Make>
  napi::Result<std::uint32_t> get(std::string_view text, Make&& make);

  // How many slots past its first one the lookup of `text` reads (for tests).
  std::size_t probe_length(std::string_view text) const;

 private:
  static constexpr std::size_t kInitialSlots = 64;  // a power of two
  // Texts up to this many bytes are found by their bytes.
  static constexpr std::size_t kShortText = sorvane::text::kWordComparedBytes;
  static constexpr std::uint32_t kNone = UINT32_MAX;

  struct Slot {
    const char* data = nullptr;  // nullptr: free
    std::size_t size = 0;
    std::uint32_t index = 0;
  };

  static std::uint64_t hash(std::string_view text);
  static bool same(const Slot& slot, std::string_view text);
  // Where the lookup of `text` starts.
  std::size_t home(std::string_view text) const { return hash(text) >> shift_; }
  // The place of the slot of `text`, or of the free slot where it belongs.
  std::size_t place(std::string_view text) const;
  Slot& find(std::string_view text) { return slots_[place(text)]; }
  // Fills the free slot `slot` with `text`.
  void add(Slot& slot, std::string_view text, std::uint32_t index);
  // Replaces the table with an empty one of `size` slots (a power of two).
  void resize(std::size_t size);
  void grow();

  std::vector<Slot> slots_;
  int shift_ = 64;  // 64 - log2 of the slot count: a slot is the top bits of a hash
  std::size_t used_ = 0;
  std::uint32_t empty_ = kNone;
  Slot last_;  // the latest text found or added
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
    h = (h ^ reinterpret_cast<std::uintptr_t>(p)) * kMultiplier;
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

inline bool StringCache::same(const Slot& slot, std::string_view text) {
  if (slot.size != text.size()) return false;
  if (text.size() > kShortText) return slot.data == text.data();
  return sorvane::text::equal_bytes({slot.data, slot.size}, text);
}

inline std::size_t StringCache::place(std::string_view text) const {
  const std::size_t mask = slots_.size() - 1;
  std::size_t i = home(text);
  while (slots_[i].data != nullptr && !same(slots_[i], text)) i = (i + 1) & mask;
  return i;
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
  // The text just asked for recurs often, at the same place (a key and its finding's text) or
  // at another (an operator key in every object of a list).
  if (last_.data != nullptr && same(last_, text)) return last_.index;
  Slot& slot = find(text);
  if (slot.data != nullptr) {
    last_ = slot;
    return slot.index;
  }
  BINDING_ASSIGN(std::uint32_t index, make(text));
  add(slot, text, index);
  last_ = Slot{text.data(), text.size(), index};
  return index;
}

}  // namespace bindings::node
