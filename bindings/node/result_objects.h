// Result objects stored by a small JavaScript function, compiled once per env.
//
// A property store through Node-API takes the engine's slowest path on every object, which
// made building the results of a body cost many times its analysis. The values of a list
// are created in C++ once each (a text once however often it recurs) and handed to the store
// function, which keeps them in a table of the list's own; each object is a run of numbers in
// a Uint32Array (indices into that table, and the lengths of its text lists), so that a call
// stores a few thousand objects and no value is passed per property. The function stores them
// with plain assignments into fresh objects and arrays: the engine's fast paths, with the same
// effects as the Node-API stores (a setter on a prototype runs, in the same order). It reads
// no global, so nothing a program changes in its globals reaches it.
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

// The place of a value in the table of one list.
using Index = std::uint32_t;
inline constexpr Index kNoIndex = UINT32_MAX;

// A call of the store function takes the objects begun before their fields reach this many.
inline constexpr std::size_t kFieldsPerCall = 16384;

// A fresh array of `length` holes for a list of that many objects. Past a few elements it
// takes its storage at once: an array made with its length alone has none, and filling it
// grew the storage step by step, leaving each old one to the engine's scavenges.
napi::Result<napi_value> make_list(napi_env env, std::size_t length);

// Stores the objects of one list, in order. Storing runs JavaScript (a setter on a
// prototype), which may detach a Buffer: the texts handed in must be the call's own, not
// borrowed, and stay alive and unchanged until finish().
class Objects {
 public:
  // `expected_texts`: about how many distinct texts the list holds (the string cache's room).
  Objects(napi_env env, Shape shape, napi_value list, std::size_t expected_texts = 0);

  // Starts the next object; may store the objects before it.
  napi::Status begin() {
    if (fields_.size() >= kFieldsPerCall) return store_begun();
    object_start_ = fields_.size();
    ++pending_;
    return {};
  }
  // The index of a text's string, created on its first request.
  napi::Result<Index> text(std::string_view text) {
    return strings_.get(text, [&](std::string_view t) { return new_text(t); });
  }
  // The index of a new string of a text, made without the string cache; the caller keeps it
  // for reuse.
  napi::Result<Index> new_text(std::string_view text);
  // The index of a new value (a number, a boolean); the caller keeps it for reuse.
  napi::Result<Index> value(napi_value v);
  // One value of the current object.
  void field(Index index) { fields_.push_back(index); }
  // A list of texts of the current object (an array in the result).
  void texts(std::span<const Index> indices) {
    // Most lists hold a text or two: appended one by one, without a call to copy them.
    const std::size_t count = indices.size();
    if (count > 2) return long_texts(indices);
    fields_.push_back(static_cast<std::uint32_t>(count));
    if (count > 0) fields_.push_back(indices[0]);
    if (count > 1) fields_.push_back(indices[1]);
  }
  // The key path of the current object (an array in the result). Paths that run deep share
  // most of their keys with the path before: those keep their indices. The keys must stay in
  // place until the next path.
  napi::Status path(std::span<const std::string_view> keys) {
    // Most paths are empty (values of a list) or the path before (a key and its value).
    if (keys.empty()) {
      last_path_ = keys;
      last_indices_.clear();
      fields_.push_back(0);
      return {};
    }
    if (keys.data() == last_path_.data() && keys.size() == last_path_.size()) {
      texts(last_indices_);
      return {};
    }
    return new_path(keys);
  }
  // The index of the last key of the latest path (which must have a key).
  Index last_path_text() const { return last_indices_.back(); }
  // Stores the objects not stored yet.
  napi::Status finish();

 private:
  // begin() once the fields of a call are complete: stores them, then begins.
  napi::Status store_begun();
  // texts() of more than two texts.
  void long_texts(std::span<const Index> indices);
  // path() of a path that is not the path before.
  napi::Status new_path(std::span<const std::string_view> keys);
  // Hands the new values and the first `objects` objects, whose fields are the first
  // `complete`, to the store function; the fields after them stay for the next call.
  napi::Status store(std::size_t complete, std::uint32_t objects);

  napi_env env_;
  Shape shape_;
  napi_value list_;
  napi_value function_ = nullptr;
  napi_value table_ = nullptr;    // the values handed over so far (null before the first call)
  Index table_size_ = 0;          // their count, the new ones included
  std::uint32_t next_index_ = 0;  // list index of the first object not stored yet
  std::uint32_t pending_ = 0;     // objects begun and not stored yet
  std::size_t object_start_ = 0;  // where the current object's fields begin
  StringCache strings_;
  std::vector<napi_value> args_;  // the call's leading arguments, then the new values
  std::vector<std::uint32_t> fields_;
  std::span<const std::string_view> last_path_;  // the path before
  std::vector<Index> last_indices_;          // and its indices
};

}  // namespace bindings::node::result_objects
