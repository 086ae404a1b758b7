// JavaScript strings created once per call for texts that a response repeats.
#pragma once

#include <cstddef>
#include <functional>
#include <string_view>
#include <unordered_map>

#include "bindings/node/napi.h"

namespace bindings::node {

// Maps a text, by its place in memory, to one JavaScript string: the key paths of a JSON body
// repeat the same keys of the body many times over, and rule names, input type names and
// pattern identifiers are static texts. Every text handed in must stay alive and unchanged
// while the cache is used, and the cache lives within one call (its values are handles of the
// call's scope).
class StringCache {
 public:
  explicit StringCache(napi_env env) : env_(env) {}

  // The string of `text`, created on its first request.
  napi::Result<napi_value> get(std::string_view text);

 private:
  struct Place {
    const char* data;
    std::size_t size;
    bool operator==(const Place&) const = default;
  };
  struct PlaceHash {
    std::size_t operator()(const Place& place) const {
      return std::hash<const char*>()(place.data) ^ (place.size * 0x9e3779b97f4a7c15u);
    }
  };

  napi_env env_;
  napi_value empty_ = nullptr;
  std::unordered_map<Place, napi_value, PlaceHash> strings_;
};

}  // namespace bindings::node
