#include "bindings/node/string_cache.h"

#include <cstring>
#include <utility>

namespace bindings::node {

std::uint64_t StringCache::hash(std::string_view text) {
  // FNV-1a over the bytes of a short text; the address and size of a long one.
  std::uint64_t h = 0xcbf29ce484222325u;
  if (text.size() <= kShortText) {
    for (unsigned char c : text) h = (h ^ c) * 0x100000001b3u;
  } else {
    h = (h ^ reinterpret_cast<std::uintptr_t>(text.data())) * 0x100000001b3u;
  }
  h = (h ^ text.size()) * 0x100000001b3u;
  return h ^ (h >> 29);
}

bool StringCache::same(const Slot& slot, std::string_view text) {
  if (slot.size != text.size()) return false;
  if (text.size() <= kShortText) return std::memcmp(slot.data, text.data(), text.size()) == 0;
  return slot.data == text.data();
}

void StringCache::grow() {
  std::vector<Slot> old(slots_.size() * 2);
  std::swap(old, slots_);
  const std::size_t mask = slots_.size() - 1;
  for (const Slot& slot : old) {
    if (slot.data == nullptr) continue;
    std::size_t i = hash({slot.data, slot.size}) & mask;
    while (slots_[i].data != nullptr) i = (i + 1) & mask;
    slots_[i] = slot;
  }
}

napi::Result<napi_value> StringCache::get(std::string_view text) {
  // Empty texts may sit anywhere (or nowhere): they share one string.
  if (text.empty()) {
    if (empty_ == nullptr) {
      BINDING_ASSIGN(empty_, napi::create_string(env_, text));
    }
    return empty_;
  }
  const std::size_t mask = slots_.size() - 1;
  std::size_t i = hash(text) & mask;
  while (slots_[i].data != nullptr) {
    if (same(slots_[i], text)) return slots_[i].value;
    i = (i + 1) & mask;
  }
  BINDING_ASSIGN(napi_value value, napi::create_string(env_, text));
  slots_[i] = Slot{text.data(), text.size(), value};
  // At most half full, so that probes stay short.
  if (++used_ * 2 > slots_.size()) grow();
  return value;
}

}  // namespace bindings::node
