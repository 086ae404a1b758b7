// Where an analysed text came from.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string_view>

namespace sorvane::evaluation {

enum class InputType : std::uint8_t {
  CookieName = 1,
  CookieValue = 2,
  HeaderKey = 3,
  HeaderValue = 4,
  JsonKey = 5,
  JsonValue = 6,
  Method = 7,
  ParameterKey = 8,
  ParameterValue = 9,
  UriPath = 10,
  UrlParameter = 11,
  MultipartName = 12,
  XmlValue = 13,
  RawBody = 14,
  FirstInvalid = 15,
};

// The patterns' context of a Referer header value, which has no variant of its own.
inline constexpr InputType kRefererValue = static_cast<InputType>(0);

// A set of the input-type values 0..15, kept as a 16-bit mask (bit v: value v).
struct InputTypeSet {
  std::uint16_t bits = 0;

  constexpr InputTypeSet() = default;
  constexpr InputTypeSet(std::initializer_list<InputType> types) {
    for (InputType type : types) bits |= static_cast<std::uint16_t>(1u << static_cast<unsigned>(type));
  }

  // Every value 0..15 but `types`.
  static constexpr InputTypeSet all_except(std::initializer_list<InputType> types) {
    InputTypeSet set(types);
    set.bits = static_cast<std::uint16_t>(~set.bits);
    return set;
  }

  // Values past the sixteen bits are in no set.
  constexpr bool contains(InputType type) const {
    auto v = static_cast<unsigned>(type);
    return v < 16 && ((bits >> v) & 1) != 0;
  }
};

// The variant name ("CookieName" ... "FirstInvalid"); the text form of any other value is
// empty.
std::string_view input_type_name(InputType type);

}  // namespace sorvane::evaluation
