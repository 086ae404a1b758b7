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

napi::Result<std::u16string_view> read_units(napi_env env, napi_value value,
                                             std::span<char16_t> stack,
                                             std::unique_ptr<char16_t[]>& heap) {
  BINDING_ASSIGN(std::size_t read,
                 napi::write_value_string_utf16(env, value, stack.data(), stack.size()));
  if (read + 1 < stack.size()) return std::u16string_view(stack.data(), read);
  // The stack was filled: the string may be longer.
  BINDING_ASSIGN(std::size_t length, napi::get_value_string_utf16_length(env, value));
  if (length <= read) return std::u16string_view(stack.data(), read);
  heap = std::make_unique_for_overwrite<char16_t[]>(length + 1);
  BINDING_ASSIGN(read, napi::write_value_string_utf16(env, value, heap.get(), length + 1));
  return std::u16string_view(heap.get(), read);
}

napi::Result<TextBuffer::Text> TextBuffer::append_string(napi_env env, napi_value value) {
  // The text is encoded here straight into the buffer.
  char16_t short_units[kShortUnits];
  std::unique_ptr<char16_t[]> long_units;
  auto units = read_units(env, value, short_units, long_units);
  if (!units) {
    if (units.error().status != support::BindingStatus::StringExpected) {
      return std::move(units).error();
    }
    BINDING_ASSIGN(napi::ValueType actual, napi::type_of(env, value));
    return support::type_mismatch_error(napi::ValueType::String, actual);
  }
  return append_units(*units);
}

TextBuffer::Text TextBuffer::append_units(std::u16string_view units) {
  reserve_spare(support::utf8_capacity_for_utf16(units.size()));
  const Text text{size_, support::utf16_to_utf8_until_nul(units, data_ + size_)};
  size_ += text.size;
  return text;
}

}  // namespace bindings::node
