// Result objects stored by a small JavaScript function, compiled once per env.
//
// A property store through Node-API takes the engine's slowest path on every object, which
// made building the results of a body cost many times its analysis. The function receives the
// values of many objects per call and stores them with plain assignments into fresh objects
// and arrays: the engine's fast paths, with the same effects as the Node-API stores (a setter
// on a prototype runs, in the same order). It reads no global, so nothing a program changes
// in its globals reaches it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "bindings/node/napi.h"
#include "bindings/node/string_cache.h"

namespace bindings::node::result_objects {

// What each object holds, in store order:
// Result: ruleId, inputType, path, key, value, score, idsList (texts);
// Comparator: path.
enum class Shape : std::uint8_t { Result, Comparator };

// Stores the objects of one list, in order, from their values, a few thousand values per call
// of the store function. Storing runs JavaScript (a setter on a prototype), which may detach a
// Buffer: the texts behind the values must be the call's own, not borrowed.
class Objects {
 public:
  Objects(napi_env env, Shape shape, napi_value list) : env_(env), shape_(shape), list_(list) {}

  // Starts the next object; may store the objects before it.
  napi::Status begin();
  // One value of the current object.
  void value(napi_value v) { args_.push_back(v); }
  // A list of texts of the current object (an array in the result).
  napi::Status texts(std::span<const napi_value> strings);
  // The key path of the current object (an array in the result). Paths that run deep share
  // most of their keys with the path before: those keep their strings.
  napi::Status path(std::span<const std::string_view> keys, StringCache& strings);
  // The string of the last key of the latest path (which must have a key).
  napi_value last_path_string() const { return last_strings_.back(); }
  // Stores the objects not stored yet.
  napi::Status finish();

 private:
  napi::Result<napi_value> count(std::size_t n);

  napi_env env_;
  Shape shape_;
  napi_value list_;
  napi_value function_ = nullptr;
  std::uint32_t next_index_ = 0;  // list index of the first object not stored yet
  std::uint32_t pending_ = 0;     // objects in args_
  std::vector<napi_value> args_ = {nullptr, nullptr};  // the list, the index, the values
  std::vector<napi_value> counts_;
  std::vector<std::string_view> last_path_;  // the path before
  std::vector<napi_value> last_strings_;     // and its strings
};

}  // namespace bindings::node::result_objects
