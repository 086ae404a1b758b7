// One index per distinct text of a response, for texts that it repeats.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "bindings/node/napi.h"

namespace bindings::node {

// One value per text: the key paths of a JSON body repeat the keys that enclose them,
// operator keys and short values recur all over a hostile body, and rule names, input type
// names and pattern identifiers are static texts. A short text is found by its bytes; a
// longer one by its place in memory, so that no text is hashed more often than it occurs in
// what the call read. Every text handed in must stay alive and unchanged while the cache is
// used.
class StringCache {
 public:
  StringCache() : slots_(kInitialSlots) {}

  // The index kept for `text`, or on its first request the one `make(text)` answers
  // (a napi::Result<std::uint32_t>), kept from then on.
  template <class Make>
  napi::Result<std::uint32_t> get(std::string_view text, Make&& make);

 private:
  static constexpr std::size_t kInitialSlots = 64;  // a power of two
  // Texts up to this many bytes are found by their bytes.
  static constexpr std::size_t kShortText = 32;
  static constexpr std::uint32_t kNone = UINT32_MAX;

  struct Slot {
    const char* data = nullptr;  // nullptr: free
    std::size_t size = 0;
    std::uint32_t index = 0;
  };

  static std::uint64_t hash(std::string_view text);
  static bool same(const Slot& slot, std::string_view text);
  // The slot of `text`, or the free slot where it belongs.
  Slot& find(std::string_view text);
  // Fills the free slot `slot` with `text`.
  void add(Slot& slot, std::string_view text, std::uint32_t index);
  void grow();

  std::vector<Slot> slots_;
  std::size_t used_ = 0;
  std::uint32_t empty_ = kNone;
  Slot last_;  // the latest text found or added
};

template <class Make>
napi::Result<std::uint32_t> StringCache::get(std::string_view text, Make&& make) {
  // Empty texts may sit anywhere (or nowhere): they share one value.
  if (text.empty()) {
    if (empty_ == kNone) {
      BINDING_ASSIGN(empty_, make(text));
    }
    return empty_;
  }
  // The text just asked for recurs often at the same place (a key and its finding's text).
  if (text.data() == last_.data && text.size() == last_.size) return last_.index;
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
