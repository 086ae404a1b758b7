// JavaScript strings created once per call for texts that a response repeats.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "bindings/node/napi.h"

namespace bindings::node {

// One JavaScript string per text: the key paths of a JSON body repeat the keys that enclose
// them, operator keys and short values recur all over a hostile body, and rule names, input
// type names and pattern identifiers are static texts. A short text is found by its bytes; a
// longer one by its place in memory, so that no text is hashed more often than it occurs in
// what the call read. Every text handed in must stay alive and unchanged while the cache is
// used, and the cache lives within one call (its values are handles of the call's scope).
class StringCache {
 public:
  explicit StringCache(napi_env env) : env_(env), slots_(kInitialSlots) {}

  // The string of `text`, created on its first request.
  napi::Result<napi_value> get(std::string_view text);

 private:
  static constexpr std::size_t kInitialSlots = 64;  // a power of two
  // Texts up to this many bytes are found by their bytes.
  static constexpr std::size_t kShortText = 32;

  struct Slot {
    const char* data = nullptr;  // nullptr: free
    std::size_t size = 0;
    napi_value value = nullptr;
  };

  static std::uint64_t hash(std::string_view text);
  static bool same(const Slot& slot, std::string_view text);
  void grow();

  napi_env env_;
  std::vector<Slot> slots_;
  std::size_t used_ = 0;
  napi_value empty_ = nullptr;
};

}  // namespace bindings::node
