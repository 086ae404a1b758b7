#include "bindings/node/string_cache.h"

#include <utility>

namespace bindings::node {

void StringCache::add(Slot& slot, std::string_view text, std::uint32_t index) {
  slot = Slot{text.data(), text.size(), index};
  // At most half full, so that probes stay short.
  if (++used_ * 2 > slots_.size()) grow();
}

void StringCache::grow() {
  std::vector<Slot> old(slots_.size() * 2);
  std::swap(old, slots_);
  for (const Slot& slot : old) {
    if (slot.data != nullptr) find({slot.data, slot.size}) = slot;
  }
}

}  // namespace bindings::node
