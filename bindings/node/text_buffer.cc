#include "bindings/node/text_buffer.h"

#include <algorithm>
#include <cstring>

#include "bindings/node/support/text_view.h"

namespace bindings::node {
namespace {

// The spare room that reads most texts of a request in one call.
constexpr std::size_t kShortText = 512;

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
  // Most texts of a request are short: one write into the spare room reads them whole.
  reserve_spare(kShortText);
  auto written = napi::write_value_string_utf8(env, value, data_ + size_, capacity_ - size_);
  if (!written) {
    if (written.error().status != support::BindingStatus::StringExpected) {
      return std::move(written).error();
    }
    BINDING_ASSIGN(napi::ValueType actual, napi::type_of(env, value));
    return support::type_mismatch_error(napi::ValueType::String, actual);
  }
  if (!napi::fits_whole(*written, capacity_ - size_)) {
    BINDING_ASSIGN(std::size_t length, napi::get_value_string_utf8_length(env, value));
    reserve_spare(length + 1);
    BINDING_ASSIGN(*written,
                   napi::write_value_string_utf8(env, value, data_ + size_, capacity_ - size_));
  }
  const Text text{size_, support::until_nul({data_ + size_, *written}).size()};
  size_ += text.size;
  return text;
}

}  // namespace bindings::node
