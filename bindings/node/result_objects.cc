#include "bindings/node/result_objects.h"

#include <algorithm>
#include <string_view>

#include "bindings/node/env_data.h"

namespace bindings::node::result_objects {
namespace {

// Lists of up to this many texts travel as arguments; longer ones as arrays built here.
constexpr std::size_t kInlineTexts = 1024;

// A call of a store function takes the objects begun before its values reach this many (an
// object adds at most two inline text lists and seven values).
constexpr std::size_t kArgsPerCall = 4096;

// `(list, index, ...values)`: stores one object per run of values at list[index], list[index
// + 1], ... A text list is its count and its strings, or -1 and an array. A list's array is
// filled in order with plain assignments (a growing array takes the engine's fast path, where
// setting its length first, or starting from a literal of holes, does not) and ends with its
// length whatever a prototype setter did. A list of one or two texts is an array literal
// instead, the same array without the growth of an empty one, whenever no prototype of a fresh
// array holds those indices (a store there would only create own elements). Sloppy mode, as
// the Node-API stores: an assignment that the object refuses is skipped without an error.
// The values are read by index in the storing function itself: a reader closure over the rest
// array kept the engine from optimising the loop and cost several times the stores.
// Nothing is kept between objects or calls, so a store that runs JavaScript which calls in
// again changes nothing here.
constexpr std::string_view kSource = R"js((function () {
  function texts(values, a, count, probe) {
    var list, j;
    if (count < 0) return values[a];
    if (count === 1 && !(0 in probe)) return [values[a]];
    if (count === 2 && !(0 in probe) && !(1 in probe)) return [values[a], values[a + 1]];
    list = [];
    for (j = 0; j < count; ++j) list[j] = values[a + j];
    if (list.length !== count) list.length = count;
    return list;
  }
  function width(count) { return count < 0 ? 1 : count; }
  return {
    result: function (list, index, ...values) {
      var probe = [], a = 0, count, item;
      for (; a < values.length; ++index) {
        item = {};
        item.ruleId = values[a++];
        item.inputType = values[a++];
        count = values[a++];
        item.path = texts(values, a, count, probe);
        a += width(count);
        item.key = values[a++];
        item.value = values[a++];
        item.score = values[a++];
        count = values[a++];
        item.idsList = texts(values, a, count, probe);
        a += width(count);
        list[index] = item;
      }
    },
    comparator: function (list, index, ...values) {
      var probe = [], a = 0, count, item;
      for (; a < values.length; ++index) {
        item = {};
        count = values[a++];
        item.path = texts(values, a, count, probe);
        a += width(count);
        list[index] = item;
      }
    }
  };
})())js";

// The store function of `shape` in this env, compiled on the first call.
napi::Result<napi_value> store_function(napi_env env, Shape shape) {
  BINDING_ASSIGN(EnvData * data, EnvData::of(env));
  if (data->store_result == nullptr || data->store_comparator == nullptr) {
    BINDING_ASSIGN(napi_value pair, napi::run_script(env, kSource));
    BINDING_ASSIGN(napi_value result, napi::get_named(env, pair, "result"));
    BINDING_ASSIGN(napi_value comparator, napi::get_named(env, pair, "comparator"));
    BINDING_ASSIGN(napi_ref result_ref, napi::create_reference(env, result));
    auto comparator_ref = napi::create_reference(env, comparator);
    if (!comparator_ref) {
      napi::delete_reference(env, result_ref);
      return std::move(comparator_ref).error();
    }
    napi::delete_reference(env, data->store_result);
    napi::delete_reference(env, data->store_comparator);
    data->store_result = result_ref;
    data->store_comparator = *comparator_ref;
  }
  return napi::get_reference_value(
      env, shape == Shape::Result ? data->store_result : data->store_comparator);
}

}  // namespace

napi::Result<napi_value> Objects::count(std::size_t n) {
  while (counts_.size() <= n) {
    BINDING_ASSIGN(napi_value number,
                   napi::create_int32(env_, static_cast<std::int32_t>(counts_.size())));
    counts_.push_back(number);
  }
  return counts_[n];
}

napi::Status Objects::begin() {
  if (args_.size() >= kArgsPerCall) BINDING_TRY(finish());
  ++pending_;
  return {};
}

napi::Status Objects::texts(std::span<const napi_value> strings) {
  if (strings.size() <= kInlineTexts) {
    BINDING_ASSIGN(napi_value n, count(strings.size()));
    args_.push_back(n);
    args_.insert(args_.end(), strings.begin(), strings.end());
    return {};
  }
  BINDING_ASSIGN(napi_value array, napi::create_array(env_, strings.size()));
  for (std::size_t j = 0; j < strings.size(); ++j) {
    BINDING_TRY(napi::set_element(env_, array, static_cast<std::uint32_t>(j), strings[j]));
  }
  BINDING_ASSIGN(napi_value marker, napi::create_int32(env_, -1));
  args_.push_back(marker);
  args_.push_back(array);
  return {};
}

napi::Status Objects::path(std::span<const std::string_view> keys, StringCache& strings) {
  // The keys shared with the path before keep their strings; only the others are looked up.
  std::size_t shared = 0;
  const std::size_t most = std::min(keys.size(), last_path_.size());
  while (shared < most && keys[shared].data() == last_path_[shared].data() &&
         keys[shared].size() == last_path_[shared].size()) {
    ++shared;
  }
  last_path_.assign(keys.begin(), keys.end());
  last_strings_.resize(shared);
  for (std::string_view key : keys.subspan(shared)) {
    BINDING_ASSIGN(napi_value text, strings.get(key));
    last_strings_.push_back(text);
  }
  return texts(last_strings_);
}

napi::Status Objects::finish() {
  if (pending_ == 0) return {};
  if (function_ == nullptr) {
    BINDING_ASSIGN(function_, store_function(env_, shape_));
  }
  args_[0] = list_;
  BINDING_ASSIGN(args_[1], napi::create_uint32(env_, next_index_));
  BINDING_TRY(napi::call_function(env_, function_, args_));
  next_index_ += pending_;
  pending_ = 0;
  args_.resize(2);
  return {};
}

}  // namespace bindings::node::result_objects
