// Source paths in log lines and panic reports. The compiler records them with slashes,
// relative to the repository root; they are written with the platform's separator.
#pragma once

#include <string_view>

#include <fmt/format.h>

namespace sorvane::platform {

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// Formats `path` with every '/' written as `separator`, without copying it first.
struct SourcePath {
  std::string_view path;
  char separator = kPathSeparator;
};

}  // namespace sorvane::platform

template <>
struct fmt::formatter<sorvane::platform::SourcePath> : fmt::formatter<fmt::string_view> {
  template <typename Context>
  auto format(const sorvane::platform::SourcePath& source, Context& ctx) const {
    auto out = ctx.out();
    for (char c : source.path) *out++ = c == '/' ? source.separator : c;
    return out;
  }
};
