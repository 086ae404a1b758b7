#include "bindings/node/string_cache.h"

#include <algorithm>
#include <bit>
#include <utility>

namespace bindings::node {

StringCache::StringCache(std::size_t expected) {
  // At most half full with the expected texts; a larger count is left to growth.
  constexpr std::size_t kMostExpected = std::size_t{1} << 20;
  resize(std::bit_ceil(std::max(kInitialSlots, 2 * std::min(expected, kMostExpected))));
}

std::size_t StringCache::probe_length(std::string_view text) const {
  return (place(text) - home(text)) & (slots_.size() - 1);
}

void StringCache::add(Slot& slot, std::string_view text, std::uint32_t index) {
  slot = Slot{text.data(), text.size(), index};
  // At most half full, so that probes stay short.
  if (++used_ * 2 > slots_.size()) grow();
}

void StringCache::resize(std::size_t size) {
  slots_.assign(size, Slot{});
  shift_ = 64 - std::countr_zero(size);
}

void StringCache::grow() {
  std::vector<Slot> old = std::move(slots_);
  resize(old.size() * 2);
  for (const Slot& slot : old) {
    if (slot.data != nullptr) find({slot.data, slot.size}) = slot;
  }
}

}  // namespace bindings::node
