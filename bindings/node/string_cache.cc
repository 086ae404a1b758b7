#include "bindings/node/string_cache.h"

#include <algorithm>
#include <bit>

namespace bindings::node {

StringCache::StringCache(std::size_t expected) {
  // At most half full with the expected texts; a larger count is left to growth.
  constexpr std::size_t kMostExpected = std::size_t{1} << 20;
  const std::size_t room = std::min(expected, kMostExpected);
  resize(std::bit_ceil(std::max(kInitialSlots, 2 * room)));
  entries_.reserve(room);
}

std::size_t StringCache::probe_length(std::string_view text) const {
  const std::uint64_t h = hash(text);
  return (place(text, h) - home(h)) & (slots_.size() - 1);
}

void StringCache::add(std::size_t place, std::uint32_t tag, std::string_view text,
                      std::uint32_t index) {
  // Both copies are stored from the text's fields: copying the entry just stored would read
  // it back with one wide load from narrower stores, which waits until they reach the cache.
  entries_.push_back(Entry{text.data(), text.size(), index});
  last_.data = text.data();
  last_.size = text.size();
  last_.index = index;
  slots_[place] = Slot{tag, static_cast<std::uint32_t>(entries_.size())};
  // At most half full, so that probes stay short.
  if (entries_.size() * 2 > slots_.size()) grow();
}

void StringCache::resize(std::size_t size) {
  slots_.assign(size, Slot{});
  shift_ = 64 - std::countr_zero(size);
}

void StringCache::grow() {
  resize(slots_.size() * 2);
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t e = 0; e < entries_.size(); ++e) {
    const std::uint64_t h = hash({entries_[e].data, entries_[e].size});
    std::size_t i = home(h);
    while (slots_[i].entry != 0) i = (i + 1) & mask;
    slots_[i] = Slot{tag_of(h), static_cast<std::uint32_t>(e + 1)};
  }
}

}  // namespace bindings::node
