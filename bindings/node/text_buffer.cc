#include "bindings/node/text_buffer.h"

#include <algorithm>
#include <cstring>

#include "bindings/node/support/text_view.h"

namespace bindings::node {
namespace {

// The code units read in one call through the stack: most texts of a request.
constexpr std::size_t kShortUnits = 512;

}  // namespace

void TextBuffer::reserve_spare(std::size_t spare) {
  if (capacity_ - size_ >= spare) return;
  const std::size_t capacity = std::max(capacity_ * 2, size_ + spare);
  auto heap = std::make_unique_for_overwrite<char[]>(capacity);
  std::memcpy(heap.get(), data_, size_);
  heap_ = std::move(heap);
  data_ = heap_.get();
  capacity_ = capacity;
}

napi::Result<TextBuffer::Text> TextBuffer::append_string(napi_env env, napi_value value) {
  // The text is read as UTF-16 code units, which the engine copies without encoding, and
  // encoded here straight into the buffer.
  char16_t short_units[kShortUnits];
  auto read = napi::write_value_string_utf16(env, value, short_units, kShortUnits);
  if (!read) {
    if (read.error().status != support::BindingStatus::StringExpected) {
      return std::move(read).error();
    }
    BINDING_ASSIGN(napi::ValueType actual, napi::type_of(env, value));
    return support::type_mismatch_error(napi::ValueType::String, actual);
  }
  std::u16string_view units(short_units, *read);
  std::unique_ptr<char16_t[]> long_units;
  if (*read + 1 >= kShortUnits) {
    BINDING_ASSIGN(std::size_t length, napi::get_value_string_utf16_length(env, value));
    if (length > *read) {
      long_units = std::make_unique_for_overwrite<char16_t[]>(length + 1);
      BINDING_ASSIGN(std::size_t copied,
                     napi::write_value_string_utf16(env, value, long_units.get(), length + 1));
      units = std::u16string_view(long_units.get(), copied);
    }
  }
  return append_units(units);
}

TextBuffer::Text TextBuffer::append_units(std::u16string_view units) {
  reserve_spare(support::utf8_capacity_for_utf16(units.size()));
  const Text text{size_, support::utf16_to_utf8_until_nul(units, data_ + size_)};
  size_ += text.size;
  return text;
}

}  // namespace bindings::node
