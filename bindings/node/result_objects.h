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
#include <vector>

#include "bindings/node/napi.h"

namespace bindings::node::result_objects {

// What each object holds, in store order:
// Result: ruleId, inputType, path (texts), key, value, score, idsList (texts);
// Comparator: path (texts).
enum class Shape : std::uint8_t { Result, Comparator };

// The values of the objects of one list, in order. Every value (strings above all, whose
// bytes may be borrowed from JavaScript) is created before `store` runs any JavaScript.
class Objects {
 public:
  explicit Objects(napi_env env) : env_(env) {}

  // Starts the next object.
  void begin() { starts_.push_back(args_.size()); }
  // One value of the current object.
  void value(napi_value v) { args_.push_back(v); }
  // A list of texts of the current object (an array in the result).
  napi::Status texts(std::span<const napi_value> strings);

  // Creates the arrays of long text lists, then stores the objects at `list[0..]`.
  napi::Status store(Shape shape, napi_value list);

 private:
  napi::Result<napi_value> count(std::size_t n);

  struct LongList {
    std::size_t slot;   // index in args_ of the array
    std::size_t first;  // its strings in long_strings_
    std::size_t size;
  };

  napi_env env_;
  std::vector<napi_value> args_;
  std::vector<std::size_t> starts_;
  std::vector<napi_value> counts_;
  std::vector<LongList> long_lists_;
  std::vector<napi_value> long_strings_;
};

}  // namespace bindings::node::result_objects
