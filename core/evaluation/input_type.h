// Where an analysed text came from.
#pragma once

#include <cstdint>
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

// The variant name ("CookieName" ... "FirstInvalid"); the text form of any other value is
// empty.
std::string_view input_type_name(InputType type);

}  // namespace sorvane::evaluation
