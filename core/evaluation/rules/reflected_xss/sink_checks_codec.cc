#include "core/evaluation/rules/reflected_xss/sink_checks_codec.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include <fmt/format.h>

#include "core/text/utf8.h"

namespace sorvane::evaluation::rules::reflected_xss::sink_checks {

namespace {

using Kind = ParseState::Kind;
using AttrKind = AttributesState::Kind;

constexpr std::uint8_t kMarker16 = 251;
constexpr std::uint8_t kMarker32 = 252;
constexpr std::uint8_t kMarker64 = 253;
constexpr std::uint32_t kMaxTargetTag = 2;

// ---- writing ----

std::size_t varint_size(std::uint64_t v) {
  if (v < kMarker16) return 1;
  if (v <= 0xFFFF) return 3;
  if (v <= 0xFFFFFFFF) return 5;
  return 9;
}

class Writer {
 public:
  explicit Writer(std::size_t size) { out_.reserve(size); }
  Writer(std::vector<std::uint8_t>&& out, std::size_t size) : out_(std::move(out)) {
    out_.clear();
    out_.reserve(size);
  }
  std::size_t size() const { return out_.size(); }

  void byte(std::uint8_t b) { out_.push_back(b); }
  void bytes(const void* data, std::size_t n) {
    const auto* p = static_cast<const std::uint8_t*>(data);
    out_.insert(out_.end(), p, p + n);
  }
  void varint(std::uint64_t v) {
    if (v < kMarker16) return byte(static_cast<std::uint8_t>(v));
    const int width = v <= 0xFFFF ? 2 : v <= 0xFFFFFFFF ? 4 : 8;
    byte(width == 2 ? kMarker16 : width == 4 ? kMarker32 : kMarker64);
    for (int i = 0; i < width; ++i) byte(static_cast<std::uint8_t>(v >> (8 * i)));
  }
  std::vector<std::uint8_t> take() { return std::move(out_); }

 private:
  std::vector<std::uint8_t> out_;
};

std::size_t attributes_size(const AttributesState& a) {
  switch (a.kind) {
    case AttrKind::Name: return 1 + varint_size(a.count);
    case AttrKind::Value: return 1 + (a.quote ? 2 : 1);
    default: return 1;
  }
}

std::size_t parse_state_size(const ParseState& s) {
  switch (s.kind) {
    case Kind::ScriptEndTag: return 1 + varint_size(s.count);
    case Kind::TagName: return 1 + s.name.size() + varint_size(s.count);
    case Kind::AfterTagName: return 2;
    case Kind::Attributes: return 2 + attributes_size(s.attributes);
    default: return 1;
  }
}

void write_parse_state(Writer& w, const ParseState& s) {
  w.varint(static_cast<std::uint64_t>(s.kind));
  switch (s.kind) {
    case Kind::ScriptEndTag:
      w.varint(s.count);
      break;
    case Kind::TagName:
      w.bytes(s.name.data(), s.name.size());
      w.varint(s.count);
      break;
    case Kind::AfterTagName:
      w.varint(static_cast<std::uint64_t>(s.target));
      break;
    case Kind::Attributes:
      w.varint(static_cast<std::uint64_t>(s.target));
      w.varint(static_cast<std::uint64_t>(s.attributes.kind));
      if (s.attributes.kind == AttrKind::Name) w.varint(s.attributes.count);
      if (s.attributes.kind == AttrKind::Value) {
        if (s.attributes.quote) {
          w.byte(1);
          w.byte(*s.attributes.quote);
        } else {
          w.byte(0);
        }
      }
      break;
    default:
      break;
  }
}

// ---- reading ----

// Ends a decode; caught at the reader's entry point.
struct Failure {
  std::string description;
};

[[noreturn]] void unexpected_end(std::uint64_t additional) {
  throw Failure{fmt::format("UnexpectedEnd {{ additional: {} }}", additional)};
}

[[noreturn]] void unexpected_variant(std::string_view type_name, std::uint64_t max,
                                     std::uint64_t found) {
  throw Failure{fmt::format(
      "UnexpectedVariant {{ type_name: \"{}\", allowed: Range {{ min: 0, max: {} }}, found: {} }}",
      type_name, max, found)};
}

[[noreturn]] void invalid_integer_type(std::string_view expected, std::string_view found) {
  throw Failure{fmt::format("InvalidIntegerType {{ expected: {}, found: {} }}", expected, found)};
}

class Reader {
 public:
  explicit Reader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  std::size_t left() const { return bytes_.size() - pos_; }

  std::uint8_t byte() {
    if (left() < 1) unexpected_end(1);
    return bytes_[pos_++];
  }

  // `n` raw bytes, checked against what is left before anything is copied.
  std::span<const std::uint8_t> bytes(std::uint64_t n) {
    if (n > left()) unexpected_end(n - left());
    auto out = bytes_.subspan(pos_, static_cast<std::size_t>(n));
    pos_ += static_cast<std::size_t>(n);
    return out;
  }

  // A varint read as `expected` ("U32" for tags, "Usize" or "U64" for the rest).
  std::uint64_t varint(std::string_view expected) {
    if (left() < 1) unexpected_end(1);
    const std::uint8_t marker = bytes_[pos_];
    if (marker < kMarker16) {
      ++pos_;
      return marker;
    }
    if (marker == 254) invalid_integer_type(expected, "U128");
    if (marker == 255) invalid_integer_type(expected, "Reserved");
    if (marker == kMarker64 && expected == "U32") invalid_integer_type(expected, "U64");
    const std::size_t width = marker == kMarker16 ? 2 : marker == kMarker32 ? 4 : 8;
    if (left() < 1 + width) unexpected_end(1 + width - left());
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < width; ++i) {
      v |= static_cast<std::uint64_t>(bytes_[pos_ + 1 + i]) << (8 * i);
    }
    pos_ += 1 + width;
    return v;
  }

  std::uint64_t tag(std::string_view type_name, std::uint32_t max) {
    const std::uint64_t t = varint("U32");
    if (t > max) unexpected_variant(type_name, max, t);
    return t;
  }

 private:
  std::span<const std::uint8_t> bytes_;
  std::size_t pos_ = 0;
};

Target read_target(Reader& r) {
  return static_cast<Target>(r.tag("Target", kMaxTargetTag));
}

AttributesState read_attributes(Reader& r) {
  const auto kind = static_cast<AttrKind>(r.tag("AttributesState", AttributesState::kMaxTag));
  switch (kind) {
    case AttrKind::Name:
      return AttributesState::name(r.varint("Usize"));
    case AttrKind::Value: {
      const std::uint8_t present = r.byte();
      if (present > 1) unexpected_variant("OptionalByte", 1, present);
      if (present == 0) return AttributesState::value(std::nullopt);
      return AttributesState::value(r.byte());
    }
    default: {
      AttributesState a;
      a.kind = kind;
      return a;
    }
  }
}

ParseState read_parse_state(Reader& r) {
  const auto kind = static_cast<Kind>(r.tag("ParseState", ParseState::kMaxTag));
  switch (kind) {
    case Kind::ScriptEndTag:
      return ParseState::script_end_tag(r.varint("Usize"));
    case Kind::TagName: {
      ParseState::Name name;
      const auto raw = r.bytes(name.size());
      std::copy(raw.begin(), raw.end(), name.begin());
      const std::uint64_t count = r.varint("Usize");
      if (count >= name.size()) {
        throw Failure{fmt::format("invalid TagName count {}: must be below 6", count)};
      }
      return ParseState::tag_name(name, count);
    }
    case Kind::AfterTagName:
      return ParseState::after_tag_name(read_target(r));
    case Kind::Attributes: {
      const Target t = read_target(r);
      return ParseState::attributes_of(t, read_attributes(r));
    }
    default:
      return ParseState::of(kind);
  }
}

std::string utf8_failure(const text::Utf8Error& e) {
  if (e.error_len) {
    return fmt::format("Utf8 {{ inner: invalid UTF-8 sequence of {} bytes after {} valid bytes }}",
                       *e.error_len, e.valid_up_to);
  }
  return fmt::format("Utf8 {{ inner: incomplete UTF-8 sequence after {} valid bytes }}",
                     e.valid_up_to);
}

InputView read_input(Reader& r) {
  const std::uint64_t length = r.varint("U64");
  const auto raw = r.bytes(length);
  const std::string_view value(reinterpret_cast<const char*>(raw.data()), raw.size());
  if (const auto e = text::validate_utf8(value)) throw Failure{utf8_failure(*e)};
  const InputView in{value, r.varint("Usize")};
  if (in.value.empty()) throw Failure{"invalid input: empty value"};
  if (in.progress >= in.value.size()) {
    throw Failure{fmt::format("invalid input: progress {} is not below the value length {}",
                              in.progress, in.value.size())};
  }
  return in;
}

// The inputs in `bytes`, each made by `make` from its view.
template <class T, class Make>
Decoded<std::vector<T>> decode_inputs(std::span<const std::uint8_t> bytes, Make make) {
  return decode<std::vector<T>>(bytes, [&](Reader& r) {
    const std::uint64_t count = r.varint("U64");
    std::vector<T> inputs;
    // Every input takes at least three bytes: never reserve beyond what is present.
    inputs.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(count, r.left() / 3)));
    for (std::uint64_t i = 0; i < count; ++i) inputs.push_back(make(read_input(r)));
    return inputs;
  });
}

template <class T, class Read>
Decoded<T> decode(std::span<const std::uint8_t> bytes, Read read) {
  try {
    Reader r(bytes);
    return Decoded<T>::success(read(r));
  } catch (Failure& f) {
    return Decoded<T>::failure(std::move(f.description));
  }
}

}  // namespace

std::vector<std::uint8_t> serialize_state(const XssState& state) {
  Writer w(parse_state_size(state.parse_state) + varint_size(state.offset));
  write_parse_state(w, state.parse_state);
  w.varint(state.offset);
  return w.take();
}

std::vector<std::uint8_t> serialize_inputs(std::span<const UserInput> inputs) {
  std::vector<std::uint8_t> out;
  std::vector<std::size_t> progress_at;
  serialize_inputs(inputs, out, progress_at);
  return out;
}

namespace {

// The byte form of `count` inputs given by their value and progress.
template <class ValueAt, class ProgressAt>
void write_inputs(std::size_t count, ValueAt value_at, ProgressAt progress_of,
                  std::vector<std::uint8_t>& out, std::vector<std::size_t>& progress_at) {
  std::size_t size = varint_size(count);
  for (std::size_t i = 0; i < count; ++i) {
    const std::string_view value = value_at(i);
    size += varint_size(value.size()) + value.size() + varint_size(progress_of(i));
  }
  Writer w(std::move(out), size);
  progress_at.clear();
  progress_at.reserve(count);
  w.varint(count);
  for (std::size_t i = 0; i < count; ++i) {
    const std::string_view value = value_at(i);
    w.varint(value.size());
    w.bytes(value.data(), value.size());
    progress_at.push_back(w.size());
    w.varint(progress_of(i));
  }
  out = w.take();
}

}  // namespace

void serialize_inputs(std::span<const UserInput> inputs, std::vector<std::uint8_t>& out,
                      std::vector<std::size_t>& progress_at) {
  write_inputs(
      inputs.size(), [&](std::size_t i) { return std::string_view(inputs[i].value); },
      [&](std::size_t i) { return inputs[i].progress; }, out, progress_at);
}

void serialize_inputs(std::span<const std::string_view> values,
                      std::span<const std::uint64_t> progress, std::vector<std::uint8_t>& out,
                      std::vector<std::size_t>& progress_at) {
  write_inputs(
      values.size(), [&](std::size_t i) { return values[i]; },
      [&](std::size_t i) { return progress[i]; }, out, progress_at);
}

bool overwrite_progress(std::span<std::uint8_t> bytes, std::size_t at, std::uint64_t progress) {
  if (at >= bytes.size()) return false;
  const std::uint8_t marker = bytes[at];
  const std::size_t width = marker < kMarker16   ? 1
                            : marker == kMarker16 ? 3
                            : marker == kMarker32 ? 5
                                                  : 9;
  if (marker > kMarker64 || varint_size(progress) != width || at + width > bytes.size()) {
    return false;
  }
  if (width == 1) {
    bytes[at] = static_cast<std::uint8_t>(progress);
  } else {
    for (std::size_t i = 0; i + 1 < width; ++i) {
      bytes[at + 1 + i] = static_cast<std::uint8_t>(progress >> (8 * i));
    }
  }
  return true;
}

Decoded<XssState> deserialize_state(std::span<const std::uint8_t> bytes) {
  return decode<XssState>(bytes, [](Reader& r) {
    XssState s;
    s.parse_state = read_parse_state(r);
    s.offset = r.varint("Usize");
    return s;
  });
}

Decoded<std::vector<UserInput>> deserialize_inputs(std::span<const std::uint8_t> bytes) {
  return decode_inputs<UserInput>(
      bytes, [](const InputView& in) { return UserInput{std::string(in.value), in.progress}; });
}

Decoded<std::vector<InputView>> view_inputs(std::span<const std::uint8_t> bytes) {
  return decode_inputs<InputView>(bytes, [](const InputView& in) { return in; });
}

bool read_progress_of(std::span<const std::uint8_t> bytes,
                      std::span<const std::string_view> values,
                      std::vector<std::uint64_t>& progress) {
  progress.clear();
  try {
    Reader r(bytes);
    if (r.varint("U64") != values.size()) return false;
    for (const std::string_view value : values) {
      if (r.varint("U64") != value.size()) return false;
      const auto raw = r.bytes(value.size());
      if (!raw.empty() && std::memcmp(raw.data(), value.data(), raw.size()) != 0) return false;
      const std::uint64_t p = r.varint("Usize");
      if (value.empty() || p >= value.size()) return false;
      progress.push_back(p);
    }
    return true;
  } catch (const Failure&) {
    return false;
  }
}

}  // namespace sorvane::evaluation::rules::reflected_xss::sink_checks
