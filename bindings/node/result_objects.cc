#include "bindings/node/result_objects.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string_view>
#include <type_traits>

#include "bindings/node/env_data.h"

namespace bindings::node::result_objects {
namespace {

// A call of a store function takes at most this many new values (its arguments).
constexpr std::size_t kValuesPerCall = 4096;

// The fields array kept per env holds any call's objects but one longer than kFieldsPerCall
// (a deep path), which takes an array of its own, as does a call made while the kept array is
// in use (a setter that calls in again).
constexpr std::size_t kSharedFields = 2 * kFieldsPerCall;

// The store function's arguments before the new values.
constexpr std::size_t kLeadingArgs = 6;

// `(list, index, table, size, fields, end, ...values)`: appends the new values to the list's
// table (a fresh prototype-less object on the first call, answered by every call) from its
// index `size`, then stores one object per run of fields[0] to fields[end - 1] at list[index],
// list[index + 1], ... Each field is an index into the table, or a text list's length
// followed by its indices. A list's array is filled in order with plain assignments (a
// growing array takes the engine's fast path, where setting its length first, or starting
// from a literal of holes, does not) and ends with its length whatever a prototype setter
// did. A list longer than the 17 elements of an array's first growth, none of whose indices a
// prototype of a fresh array holds, has its length set first, which gives it its storage at
// once: its stores then run no JavaScript, so nothing sees the length before its elements. A
// list of one or two texts is an array literal instead, the same array without the growth of
// an empty one, whenever no prototype of a fresh array holds those indices (a store there
// would only create own elements). An object is likewise a literal of its seven
// properties when no prototype holds their names at the points where their assignments would
// run (before the path's array is built, before the identifiers' one, and at the end); from
// the first point where one does, the properties left are assigned one by one, in order.
// Every assignment is a sloppy-mode function of its own, as the Node-API stores are: one that
// the object refuses is skipped without an error, and a setter that asks for its caller finds
// only that object and value; the loops are strict, so they are nobody's caller. The values
// reach the loops as the arguments of one call, so the table takes no store that a prototype
// could see. Nothing the function reads is kept between calls but that table, which belongs to
// one list, and the fields, which only C++ writes before a call (a call that starts while the
// env's array is in use takes its own): a store that runs JavaScript which calls in again
// changes nothing here.
constexpr std::string_view kSource = R"js((function () {
  function put(o, i, v) { o[i] = v; }
  function setLength(o, n) { o.length = n; }
  function setRuleId(o, v) { o.ruleId = v; }
  function setInputType(o, v) { o.inputType = v; }
  function setPath(o, v) { o.path = v; }
  function setKey(o, v) { o.key = v; }
  function setValue(o, v) { o.value = v; }
  function setScore(o, v) { o.score = v; }
  function setIdsList(o, v) { o.idsList = v; }
  function idsList(o, v) { o.idsList = v; return o; }
  function pathOf(o, v) { o.path = v; return o; }
  function take(table, size, args) {
    'use strict';
    var k;
    if (table === null) table = { __proto__: null };
    for (k = 6; k < args.length; ++k) table[size++] = args[k];
    return table;
  }
  function texts(table, fields, a, count, probe) {
    'use strict';
    var list, j;
    if (count === 1 && !(0 in probe)) return [table[fields[a]]];
    if (count === 2 && !(0 in probe) && !(1 in probe)) {
      return [table[fields[a]], table[fields[a + 1]]];
    }
    list = [];
    if (count > 17) {
      for (j = 0; j < count && !(j in probe); ++j);
      if (j === count) {
        setLength(list, count);
        for (j = 0; j < count; ++j) put(list, j, table[fields[a + j]]);
        return list;
      }
    }
    for (j = 0; j < count; ++j) put(list, j, table[fields[a + j]]);
    if (list.length !== count) setLength(list, count);
    return list;
  }
  return {
    result: function (list, index, table, size, fields, end) {
      'use strict';
      var probe = [], plain = {}, a = 0, count, item, ruleId, inputType, path, key, value, score;
      table = take(table, size, arguments);
      for (; a < end; ++index) {
        ruleId = table[fields[a++]];
        inputType = table[fields[a++]];
        count = fields[a++];
        if (!('ruleId' in plain) && !('inputType' in plain)) {
          path = texts(table, fields, a, count, probe);
          a += count;
          key = table[fields[a++]];
          value = table[fields[a++]];
          score = table[fields[a++]];
          count = fields[a++];
          if (!('path' in plain) && !('key' in plain) && !('value' in plain) && !('score' in plain)) {
            item = texts(table, fields, a, count, probe);
            item = 'idsList' in plain
              ? idsList({ ruleId: ruleId, inputType: inputType, path: path, key: key, value: value,
                  score: score }, item)
              : { ruleId: ruleId, inputType: inputType, path: path, key: key, value: value,
                  score: score, idsList: item };
          } else {
            item = { ruleId: ruleId, inputType: inputType };
            setPath(item, path);
            setKey(item, key);
            setValue(item, value);
            setScore(item, score);
            setIdsList(item, texts(table, fields, a, count, probe));
          }
        } else {
          item = {};
          setRuleId(item, ruleId);
          setInputType(item, inputType);
          setPath(item, texts(table, fields, a, count, probe));
          a += count;
          setKey(item, table[fields[a++]]);
          setValue(item, table[fields[a++]]);
          setScore(item, table[fields[a++]]);
          count = fields[a++];
          setIdsList(item, texts(table, fields, a, count, probe));
        }
        a += count;
        put(list, index, item);
      }
      return table;
    },
    comparator: function (list, index, table, size, fields, end) {
      'use strict';
      var probe = [], plain = {}, a = 0, count, path;
      table = take(table, size, arguments);
      for (; a < end; ++index) {
        count = fields[a++];
        path = texts(table, fields, a, count, probe);
        a += count;
        put(list, index, 'path' in plain ? pathOf({}, path) : { path: path });
      }
      return table;
    }
  };
})())js";

// The store function of `shape` in this env, compiled on the first call.
napi::Result<napi_value> store_function(napi_env env, EnvData& data, Shape shape) {
  if (data.store_result == nullptr || data.store_comparator == nullptr) {
    BINDING_ASSIGN(napi_value pair, napi::run_script(env, kSource));
    BINDING_ASSIGN(napi_value result, napi::get_named(env, pair, "result"));
    BINDING_ASSIGN(napi_value comparator, napi::get_named(env, pair, "comparator"));
    BINDING_ASSIGN(napi_ref result_ref, napi::create_reference(env, result));
    auto comparator_ref = napi::create_reference(env, comparator);
    if (!comparator_ref) {
      napi::delete_reference(env, result_ref);
      return std::move(comparator_ref).error();
    }
    napi::delete_reference(env, data.store_result);
    napi::delete_reference(env, data.store_comparator);
    data.store_result = result_ref;
    data.store_comparator = *comparator_ref;
  }
  return napi::get_reference_value(
      env, shape == Shape::Result ? data.store_result : data.store_comparator);
}

// How many leading keys of `a` and `b` are the same texts at the same places. A view is its
// size and its address and nothing else, so blocks of keys are compared as bytes first.
std::size_t same_places(std::span<const std::string_view> a, std::span<const std::string_view> b) {
  static_assert(std::has_unique_object_representations_v<std::string_view>);
  const std::size_t most = std::min(a.size(), b.size());
  if (a.data() == b.data()) return most;
  constexpr std::size_t kBlock = 8;
  std::size_t shared = 0;
  while (shared + kBlock <= most &&
         std::memcmp(a.data() + shared, b.data() + shared, sizeof(std::string_view) * kBlock) == 0) {
    shared += kBlock;
  }
  while (shared < most && a[shared].data() == b[shared].data() &&
         a[shared].size() == b[shared].size()) {
    ++shared;
  }
  return shared;
}

}  // namespace

napi::Result<napi_value> make_list(napi_env env, std::size_t length) {
  // The first growth of an array takes room for 17 elements.
  constexpr std::size_t kFirstGrowth = 17;
  if (length <= kFirstGrowth || length > UINT32_MAX) return napi::create_array(env, length);
  // Setting the length of an empty array gives it the storage.
  BINDING_ASSIGN(napi_value list, napi::create_array(env, 0));
  BINDING_ASSIGN(napi_value size, napi::create_uint32(env, static_cast<std::uint32_t>(length)));
  BINDING_TRY(napi::set_named(env, list, "length", size));
  return list;
}

Objects::Objects(napi_env env, Shape shape, napi_value list, std::size_t expected_texts)
    : env_(env), shape_(shape), list_(list), strings_(expected_texts), args_(kLeadingArgs) {}

napi::Status Objects::store_begun() {
  BINDING_TRY(store(fields_.size(), pending_));
  object_start_ = fields_.size();
  ++pending_;
  return {};
}

napi::Result<Index> Objects::value(napi_value v) {
  // Past the call's share of new values, the objects before the current one go with them.
  if (args_.size() - kLeadingArgs >= kValuesPerCall) {
    BINDING_TRY(store(object_start_, pending_ == 0 ? 0 : pending_ - 1));
  }
  args_.push_back(v);
  return table_size_++;
}

napi::Result<Index> Objects::new_text(std::string_view text) {
  BINDING_ASSIGN(napi_value string, napi::create_string(env_, text));
  return value(string);
}

void Objects::long_texts(std::span<const Index> indices) {
  fields_.push_back(static_cast<std::uint32_t>(indices.size()));
  fields_.insert(fields_.end(), indices.begin(), indices.end());
}

napi::Status Objects::new_path(std::span<const std::string_view> keys) {
  // The keys shared with the path before keep their indices; only the others are looked up.
  const std::size_t shared = same_places(keys, last_path_);
  last_path_ = keys;
  last_indices_.resize(shared);
  for (std::string_view key : keys.subspan(shared)) {
    BINDING_ASSIGN(Index index, text(key));
    last_indices_.push_back(index);
  }
  texts(last_indices_);
  return {};
}

napi::Status Objects::finish() {
  if (pending_ == 0 && args_.size() == kLeadingArgs) return {};
  return store(fields_.size(), pending_);
}

napi::Status Objects::store(std::size_t complete, std::uint32_t objects) {
  BINDING_ASSIGN(EnvData * data, EnvData::of(env_));
  if (function_ == nullptr) {
    BINDING_ASSIGN(function_, store_function(env_, *data, shape_));
  }
  // The env's array is used by one call at a time; it is released when the call returns.
  std::optional<InUse> in_use;
  napi_value fields = nullptr;
  std::uint32_t* elements = nullptr;
  if (complete <= kSharedFields && !data->result_fields.in_use) {
    BINDING_ASSIGN(fields, data->result_fields.get(env_, kSharedFields));
    elements = data->result_fields.elements;
    in_use.emplace(data->result_fields);
  } else {
    BINDING_ASSIGN(fields, napi::create_uint32_array(env_, complete, &elements));
  }
  std::copy_n(fields_.begin(), complete, elements);

  const std::size_t fresh = args_.size() - kLeadingArgs;
  args_[0] = list_;
  BINDING_ASSIGN(args_[1], napi::create_uint32(env_, next_index_));
  if (table_ == nullptr) {
    BINDING_ASSIGN(args_[2], napi::get_null(env_));
  } else {
    args_[2] = table_;
  }
  BINDING_ASSIGN(args_[3], napi::create_uint32(env_, static_cast<std::uint32_t>(table_size_ - fresh)));
  args_[4] = fields;
  BINDING_ASSIGN(args_[5], napi::create_uint32(env_, static_cast<std::uint32_t>(complete)));
  BINDING_ASSIGN(table_, napi::call_function(env_, function_, args_));

  next_index_ += objects;
  pending_ -= objects;
  fields_.erase(fields_.begin(), fields_.begin() + static_cast<std::ptrdiff_t>(complete));
  object_start_ -= std::min(object_start_, complete);
  args_.resize(kLeadingArgs);
  return {};
}

}  // namespace bindings::node::result_objects
