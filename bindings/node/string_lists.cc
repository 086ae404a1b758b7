#include "bindings/node/string_lists.h"

#include <memory>
#include <string_view>

#include "bindings/node/env_data.h"
#include "core/fatal_error.h"

namespace bindings::node::string_lists {
namespace {

// Shorter lists are read element by element: the call into JavaScript costs about as much
// as reading a few elements.
constexpr std::uint32_t kJoinedMinimum = 4;

// The joined string holds at most this many elements and code units; the element that
// would pass either, and every one after it, is read on its own.
constexpr std::uint32_t kJoinedElements = 1024;
constexpr std::int32_t kJoinedBudget = 1 << 16;

// Code units of a joined string read through the stack.
constexpr std::size_t kStackUnits = 2048;

// `(list, length, lengths, budget)`: the strings list[0], list[1], ... joined into one
// string, each one's length written to `lengths`. It stops before the first element that is
// no string, would take the text past `budget` units or finds no room in `lengths`, and then
// answers [text, element, its index]. Only operators, a primitive's own length and a typed array's
// elements take part, so nothing the program replaces (a prototype's method or setter, a
// global function) changes what it answers. Strict mode keeps its arguments from code it
// runs (a getter reaching it as its caller). 1024 is kJoinedElements.
constexpr std::string_view kSource = R"js((function (list, length, lengths, budget) {
  'use strict';
  var text = '', i, v;
  for (i = 0; i < length; ++i) {
    v = list[i];
    if (typeof v !== 'string' || v.length > budget - text.length || i >= 1024) return [text, v, i];
    lengths[i] = v.length;
    text += v;
  }
  return text;
}))js";

struct Joiner {
  napi_value function;
  napi_value lengths;
  const std::uint32_t* lengths_data;
};

napi::Result<Joiner> joiner(EnvData& data, napi_env env) {
  if (data.join_strings == nullptr) {
    BINDING_ASSIGN(napi_value function, napi::run_script(env, kSource));
    BINDING_ASSIGN(data.join_strings, napi::create_reference(env, function));
  }
  BINDING_ASSIGN(napi_value function, napi::get_reference_value(env, data.join_strings));
  BINDING_ASSIGN(napi_value lengths, data.join_lengths.get(env, kJoinedElements));
  return Joiner{function, lengths, data.join_lengths.elements};
}

// Appends the `count` elements of a joined string, whose lengths are `lengths`.
napi::Status append_joined(napi_env env, napi_value joined, std::uint32_t count,
                           const std::uint32_t* lengths, TextBuffer& texts,
                           std::vector<TextBuffer::Text>& list) {
  char16_t stack_units[kStackUnits];
  std::unique_ptr<char16_t[]> heap_units;
  BINDING_ASSIGN(const std::u16string_view units,
                 read_units(env, joined, stack_units, heap_units));
  if (count > kJoinedElements) sorvane::panic("a joined string list has too many elements");
  std::size_t at = 0;
  for (std::uint32_t i = 0; i < count; ++i) {
    if (lengths[i] > units.size() - at) {
      sorvane::panic("a joined string list does not match its lengths");
    }
    list.push_back(texts.append_units(units.substr(at, lengths[i])));
    at += lengths[i];
  }
  if (at != units.size()) sorvane::panic("a joined string list does not match its lengths");
  return {};
}

// Reads the first elements through the joining function; answers how many were read.
napi::Result<std::uint32_t> read_joined(napi_env env, EnvData& data, napi_value array,
                                        std::uint32_t length, TextBuffer& texts,
                                        std::vector<TextBuffer::Text>& list) {
  BINDING_ASSIGN(Joiner join, joiner(data, env));
  BINDING_ASSIGN(napi_value length_value, napi::create_uint32(env, length));
  BINDING_ASSIGN(napi_value budget, napi::create_int32(env, kJoinedBudget));
  const napi_value args[] = {array, length_value, join.lengths, budget};
  auto called = napi::call_function(env, join.function, args);
  if (!called) {
    // A getter that throws fails the read as an element read through Node-API fails.
    if (called.error().status == support::BindingStatus::PendingException) {
      return support::BindingError{support::BindingStatus::GenericFailure, {}};
    }
    return std::move(called).error();
  }
  BINDING_ASSIGN(napi::ValueType type, napi::type_of(env, *called));
  if (type == napi::ValueType::String) {
    BINDING_TRY(append_joined(env, *called, length, join.lengths_data, texts, list));
    return length;
  }
  // Stopped at an element: the strings before it, then the element itself.
  BINDING_ASSIGN(napi_value text, napi::get_element(env, *called, 0));
  BINDING_ASSIGN(napi_value element, napi::get_element(env, *called, 1));
  BINDING_ASSIGN(napi_value index, napi::get_element(env, *called, 2));
  BINDING_ASSIGN(std::uint32_t count, napi::get_value_uint32(env, index));
  if (count >= length) sorvane::panic("a joined string list stopped past its end");
  BINDING_TRY(append_joined(env, text, count, join.lengths_data, texts, list));
  BINDING_ASSIGN(TextBuffer::Text last, texts.append_string(env, element));
  list.push_back(last);
  return count + 1;
}

}  // namespace

napi::Status read(napi_env env, napi_value array, std::uint32_t length, TextBuffer& texts,
                  std::vector<TextBuffer::Text>& list) {
  std::uint32_t index = 0;
  if (length >= kJoinedMinimum) {
    BINDING_ASSIGN(EnvData * data, EnvData::of(env));
    // A getter that calls in again while the lengths array is in use reads its list element
    // by element.
    if (!data->join_lengths.in_use) {
      const InUse in_use(data->join_lengths);
      BINDING_ASSIGN(index, read_joined(env, *data, array, length, texts, list));
    }
  }
  for (; index < length; ++index) {
    BINDING_ASSIGN(napi_value element, napi::get_element(env, array, index));
    BINDING_ASSIGN(TextBuffer::Text text, texts.append_string(env, element));
    list.push_back(text);
  }
  return {};
}

}  // namespace bindings::node::string_lists
