#include "bindings/node/result_objects.h"

#include <algorithm>
#include <memory>
#include <string_view>

namespace bindings::node::result_objects {
namespace {

// Lists of up to this many texts travel as arguments; longer ones as arrays built here.
constexpr std::size_t kInlineTexts = 1024;

// Arguments per call of a store function (an object never needs more than a few dozen).
constexpr std::size_t kArgsPerCall = 4096;

// `(list, index, ...values)`: stores one object per run of values at list[index], list[index
// + 1], ... A text list is its count and its strings, or -1 and an array; its array is filled
// in order (a growing array takes the fast path, where setting its length first does not) and
// ends with that length whatever a prototype setter did. Sloppy mode, as the Node-API stores:
// an assignment that the object refuses is skipped without an error.
constexpr std::string_view kSource = R"js(({
  result: function (list, index) {
    for (var a = 2, n = arguments.length; a < n; ++index) {
      var item = {}, texts, count, j;
      item.ruleId = arguments[a];
      item.inputType = arguments[a + 1];
      count = arguments[a + 2];
      a += 3;
      if (count < 0) { texts = arguments[a]; a += 1; }
      else { texts = []; for (j = 0; j < count; ++j) texts[j] = arguments[a + j]; if (texts.length !== count) texts.length = count; a += count; }
      item.path = texts;
      item.key = arguments[a];
      item.value = arguments[a + 1];
      item.score = arguments[a + 2];
      count = arguments[a + 3];
      a += 4;
      if (count < 0) { texts = arguments[a]; a += 1; }
      else { texts = []; for (j = 0; j < count; ++j) texts[j] = arguments[a + j]; if (texts.length !== count) texts.length = count; a += count; }
      item.idsList = texts;
      list[index] = item;
    }
  },
  comparator: function (list, index) {
    for (var a = 2, n = arguments.length; a < n; ++index) {
      var item = {}, texts, count = arguments[a], j;
      a += 1;
      if (count < 0) { texts = arguments[a]; a += 1; }
      else { texts = []; for (j = 0; j < count; ++j) texts[j] = arguments[a + j]; if (texts.length !== count) texts.length = count; a += count; }
      item.path = texts;
      list[index] = item;
    }
  }
}))js";

// The store functions of one env, kept alive by references until the env goes.
struct Functions {
  napi_ref result = nullptr;
  napi_ref comparator = nullptr;
};

void delete_functions(napi_env env, void* data, void*) {
  std::unique_ptr<Functions> functions(static_cast<Functions*>(data));
  if (functions->result != nullptr) napi_delete_reference(env, functions->result);
  if (functions->comparator != nullptr) napi_delete_reference(env, functions->comparator);
}

napi::Result<Functions*> functions_of(napi_env env) {
  BINDING_ASSIGN(void* data, napi::get_instance_data(env));
  if (data != nullptr) return static_cast<Functions*>(data);
  BINDING_ASSIGN(napi_value pair, napi::run_script(env, kSource));
  BINDING_ASSIGN(napi_value result, napi::get_named(env, pair, "result"));
  BINDING_ASSIGN(napi_value comparator, napi::get_named(env, pair, "comparator"));
  auto functions = std::make_unique<Functions>();
  BINDING_ASSIGN(functions->result, napi::create_reference(env, result));
  auto kept = napi::create_reference(env, comparator);
  if (!kept) {
    napi_delete_reference(env, functions->result);
    return std::move(kept).error();
  }
  functions->comparator = *kept;
  if (auto set = napi::set_instance_data(env, functions.get(), delete_functions); !set) {
    delete_functions(env, functions.release(), nullptr);
    return std::move(set).error();
  }
  return functions.release();
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

napi::Status Objects::texts(std::span<const napi_value> strings) {
  if (strings.size() <= kInlineTexts) {
    BINDING_ASSIGN(napi_value n, count(strings.size()));
    args_.push_back(n);
    args_.insert(args_.end(), strings.begin(), strings.end());
    return {};
  }
  BINDING_ASSIGN(napi_value marker, napi::create_int32(env_, -1));
  args_.push_back(marker);
  long_lists_.push_back({args_.size(), long_strings_.size(), strings.size()});
  args_.push_back(nullptr);
  long_strings_.insert(long_strings_.end(), strings.begin(), strings.end());
  return {};
}

napi::Status Objects::store(Shape shape, napi_value list) {
  for (const LongList& texts : long_lists_) {
    BINDING_ASSIGN(napi_value array, napi::create_array(env_, texts.size));
    for (std::size_t j = 0; j < texts.size; ++j) {
      BINDING_TRY(napi::set_element(env_, array, static_cast<std::uint32_t>(j),
                                    long_strings_[texts.first + j]));
    }
    args_[texts.slot] = array;
  }
  BINDING_ASSIGN(Functions * functions, functions_of(env_));
  BINDING_ASSIGN(napi_value function,
                 napi::get_reference_value(env_, shape == Shape::Result ? functions->result
                                                                        : functions->comparator));
  // Calls of whole objects, each with the list, its first index and the objects' values.
  std::vector<napi_value> call_args;
  std::size_t object = 0;
  while (object < starts_.size()) {
    std::size_t end = object + 1;
    const auto arg_end = [&](std::size_t o) { return o < starts_.size() ? starts_[o] : args_.size(); };
    while (end < starts_.size() && arg_end(end + 1) - starts_[object] <= kArgsPerCall) ++end;
    BINDING_ASSIGN(napi_value index, napi::create_uint32(env_, static_cast<std::uint32_t>(object)));
    call_args.assign({list, index});
    call_args.insert(call_args.end(), args_.begin() + starts_[object], args_.begin() + arg_end(end));
    BINDING_TRY(napi::call_function(env_, function, call_args));
    object = end;
  }
  return {};
}

}  // namespace bindings::node::result_objects
