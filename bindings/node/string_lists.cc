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

// The joined string holds at most this many code units of the elements; the element that
// would pass it, and every one after it, is read on its own.
constexpr std::int32_t kJoinedBudget = 1 << 16;

// Code units of a joined string read through the stack.
constexpr std::size_t kStackUnits = 2048;

// `(list, length, budget)`: the strings list[0], list[1], ... each as its length in decimal
// digits, a colon and its code units, in one string. It stops before the first element that
// is no string or would take the text past `budget` units, and then answers [text, element].
// Only operators and a primitive's own length take part, so nothing the program replaces
// (a prototype's method, a global function) changes the text.
constexpr std::string_view kSource = R"js((function (list, length, budget) {
  var text = '', i, v;
  for (i = 0; i < length; ++i) {
    v = list[i];
    if (typeof v !== 'string' || v.length > budget - text.length) return [text, v];
    text += v.length + ':' + v;
  }
  return text;
}))js";

napi::Result<napi_value> join_function(napi_env env) {
  BINDING_ASSIGN(EnvData * data, EnvData::of(env));
  if (data->join_strings == nullptr) {
    BINDING_ASSIGN(napi_value function, napi::run_script(env, kSource));
    BINDING_ASSIGN(data->join_strings, napi::create_reference(env, function));
  }
  return napi::get_reference_value(env, data->join_strings);
}

// Appends the elements of a joined string; answers how many it held.
napi::Result<std::uint32_t> append_joined(napi_env env, napi_value joined, TextBuffer& texts,
                                          std::vector<TextBuffer::Text>& list) {
  char16_t stack_units[kStackUnits];
  BINDING_ASSIGN(std::size_t read,
                 napi::write_value_string_utf16(env, joined, stack_units, kStackUnits));
  std::u16string_view units(stack_units, read);
  std::unique_ptr<char16_t[]> heap_units;
  if (read + 1 >= kStackUnits) {
    BINDING_ASSIGN(std::size_t length, napi::get_value_string_utf16_length(env, joined));
    heap_units = std::make_unique_for_overwrite<char16_t[]>(length + 1);
    BINDING_ASSIGN(read, napi::write_value_string_utf16(env, joined, heap_units.get(), length + 1));
    units = std::u16string_view(heap_units.get(), read);
  }
  std::uint32_t count = 0;
  std::size_t at = 0;
  while (at < units.size()) {
    std::size_t size = 0;
    while (at < units.size() && units[at] >= u'0' && units[at] <= u'9') {
      size = size * 10 + (units[at++] - u'0');
      if (size > static_cast<std::size_t>(kJoinedBudget)) break;
    }
    if (at >= units.size() || units[at] != u':' || size > units.size() - at - 1) {
      sorvane::panic("a joined string list is malformed");
    }
    ++at;
    list.push_back(texts.append_units(units.substr(at, size)));
    at += size;
    ++count;
  }
  return count;
}

}  // namespace

napi::Status read(napi_env env, napi_value array, std::uint32_t length, TextBuffer& texts,
                  std::vector<TextBuffer::Text>& list) {
  std::uint32_t index = 0;
  if (length >= kJoinedMinimum) {
    BINDING_ASSIGN(napi_value function, join_function(env));
    BINDING_ASSIGN(napi_value length_value, napi::create_uint32(env, length));
    BINDING_ASSIGN(napi_value budget, napi::create_int32(env, kJoinedBudget));
    const napi_value args[] = {array, length_value, budget};
    auto called = napi::call_function(env, function, args);
    if (!called) {
      // A getter that throws fails the read as an element read through Node-API fails.
      if (called.error().status == support::BindingStatus::PendingException) {
        return support::BindingError{support::BindingStatus::GenericFailure, {}};
      }
      return std::move(called).error();
    }
    const napi_value joined = *called;
    BINDING_ASSIGN(napi::ValueType type, napi::type_of(env, joined));
    if (type == napi::ValueType::String) {
      BINDING_ASSIGN(index, append_joined(env, joined, texts, list));
      if (index != length) sorvane::panic("a joined string list lost elements");
      return {};
    }
    // Stopped at an element: the strings before it, then the element itself.
    BINDING_ASSIGN(napi_value text, napi::get_element(env, joined, 0));
    BINDING_ASSIGN(napi_value element, napi::get_element(env, joined, 1));
    BINDING_ASSIGN(index, append_joined(env, text, texts, list));
    BINDING_ASSIGN(TextBuffer::Text last, texts.append_string(env, element));
    list.push_back(last);
    ++index;
  }
  for (; index < length; ++index) {
    BINDING_ASSIGN(napi_value element, napi::get_element(env, array, index));
    BINDING_ASSIGN(TextBuffer::Text text, texts.append_string(env, element));
    list.push_back(text);
  }
  return {};
}

}  // namespace bindings::node::string_lists
