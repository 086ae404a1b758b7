// The buffer that holds the texts one call reads from JavaScript strings.
#pragma once

#include <cstddef>
#include <memory>
#include <span>
#include <string_view>

#include "bindings/node/napi.h"

namespace bindings::node {

// A string value's UTF-16 code units, which the engine copies without encoding: through
// `stack` when they fit, else into `heap`; the view is valid while both live. A value of
// another type fails with StringExpected.
napi::Result<std::u16string_view> read_units(napi_env env, napi_value value,
                                             std::span<char16_t> stack,
                                             std::unique_ptr<char16_t[]>& heap);

// The texts one call reads from JavaScript, encoded as UTF-8 into one buffer whose first
// kilobytes live inside the object, so a typical request allocates nothing for its strings.
// The buffer moves when it grows: a text is known by its place while reading goes on, and
// its view is taken once all texts are read; a view stays valid until the next append.
class TextBuffer {
 public:
  struct Text {
    std::size_t offset = 0;
    std::size_t size = 0;
  };

  TextBuffer() = default;
  TextBuffer(const TextBuffer&) = delete;
  TextBuffer& operator=(const TextBuffer&) = delete;

  // Appends a string value's UTF-8 text up to its first NUL character; a value of another
  // type fails with InvalidArg "expect String, got: <type>".
  napi::Result<Text> append_string(napi_env env, napi_value value);

  // Appends the UTF-8 text of UTF-16 code units up to their first NUL.
  Text append_units(std::u16string_view units);

  std::string_view view(Text text) const { return {data_ + text.offset, text.size}; }

 private:
  static constexpr std::size_t kInlineBytes = 4096;

  // Makes room for `spare` more bytes after the texts.
  void reserve_spare(std::size_t spare);

  char inline_[kInlineBytes];
  std::unique_ptr<char[]> heap_;
  char* data_ = inline_;
  std::size_t size_ = 0;
  std::size_t capacity_ = kInlineBytes;
};

}  // namespace bindings::node
