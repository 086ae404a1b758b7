// Reading the strings of a JavaScript array into a TextBuffer with few Node-API calls.
#pragma once

#include <cstdint>
#include <vector>

#include "bindings/node/napi.h"
#include "bindings/node/text_buffer.h"

namespace bindings::node::string_lists {

// Appends array[0], ..., array[length - 1] to `texts` and their places to `list`, in order,
// each cut at its first NUL character. Each element is got exactly once, in index order, as
// an element read through Node-API would get it (getters and prototypes included); a
// non-string element fails with InvalidArg "expect String, got: <type>" after the elements
// before it were read. A list of a few elements or more is read by a small JavaScript
// function, made once per env, that joins its strings into one string and writes their
// lengths to a typed array, so the whole list costs one call and one string read.
napi::Status read(napi_env env, napi_value array, std::uint32_t length, TextBuffer& texts,
                  std::vector<TextBuffer::Text>& list);

}  // namespace bindings::node::string_lists
