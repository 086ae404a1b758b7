#include "bindings/node/string_cache.h"

namespace bindings::node {

napi::Result<napi_value> StringCache::get(std::string_view text) {
  // Empty texts may sit anywhere (or nowhere): they share one string.
  if (text.empty()) {
    if (empty_ == nullptr) {
      BINDING_ASSIGN(empty_, napi::create_string(env_, text));
    }
    return empty_;
  }
  auto [slot, inserted] = strings_.try_emplace(Place{text.data(), text.size()}, nullptr);
  if (inserted) {
    auto created = napi::create_string(env_, text);
    if (!created) {
      strings_.erase(slot);
      return created;
    }
    slot->second = *created;
  }
  return slot->second;
}

}  // namespace bindings::node
