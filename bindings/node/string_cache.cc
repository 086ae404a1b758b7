#include "bindings/node/string_cache.h"

#include <cstring>
#include <utility>

namespace bindings::node {

namespace {

std::uint64_t load64(const char* p) {
  std::uint64_t word;
  std::memcpy(&word, p, sizeof word);
  return word;
}

std::uint64_t load32(const char* p) {
  std::uint32_t word;
  std::memcpy(&word, p, sizeof word);
  return word;
}

}  // namespace

std::uint64_t StringCache::hash(std::string_view text) {
  // The bytes of a short text, eight at a time (the last word overlapping the one before);
  // the address of a long one. Both with the size.
  constexpr std::uint64_t kMultiplier = 0x9e3779b97f4a7c15u;
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
  return h ^ (h >> 29);
}

bool StringCache::same(const Slot& slot, std::string_view text) {
  if (slot.size != text.size()) return false;
  if (text.size() <= kShortText) return std::memcmp(slot.data, text.data(), text.size()) == 0;
  return slot.data == text.data();
}

StringCache::Slot& StringCache::find(std::string_view text) {
  const std::size_t mask = slots_.size() - 1;
  std::size_t i = hash(text) & mask;
  while (slots_[i].data != nullptr && !same(slots_[i], text)) i = (i + 1) & mask;
  return slots_[i];
}

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
