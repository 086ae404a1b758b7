#include "core/evaluation/input_type.h"

#include <array>

namespace sorvane::evaluation {

std::string_view input_type_name(InputType type) {
  static constexpr std::array<std::string_view, 16> kNames = {
      "",           "CookieName",   "CookieValue", "HeaderKey",    "HeaderValue", "JsonKey",
      "JsonValue",  "Method",       "ParameterKey", "ParameterValue", "UriPath",  "UrlParameter",
      "MultipartName", "XmlValue",  "RawBody",     "FirstInvalid"};
  auto v = static_cast<std::size_t>(type);
  return v < kNames.size() ? kNames[v] : std::string_view();
}

}  // namespace sorvane::evaluation
