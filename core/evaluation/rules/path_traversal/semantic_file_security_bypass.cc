#include "core/evaluation/rules/path_traversal/semantic_file_security_bypass.h"

#include <cstddef>
#include <span>
#include <vector>

#include "core/log/log.h"
#include "core/text/unicode.h"
#include "core/text/utf8.h"

namespace sorvane::evaluation::rules::path_traversal::semantic_file_security_bypass {

namespace {

constexpr const char* kTarget =
    "sorvane::evaluation::rules::path_traversal::semantic_file_security_bypass";

constexpr std::string_view kStreamMarkers[] = {"::$DATA", "::$Index"};
constexpr std::string_view kSensitiveNames[] = {
    "/proc/self", "etc/passwd", "etc/shadow", "etc/hosts",
    "etc/groups", "etc/gshadow", "ntuser.dat",
};

bool contains_any(std::string_view text, std::span<const std::string_view> needles) {
  for (std::string_view needle : needles) {
    if (text.find(needle) != std::string_view::npos) return true;
  }
  return false;
}

bool examine(std::string_view path, bool is_custom_code) {
  if (contains_any(path, kStreamMarkers)) return true;
  if (!is_custom_code) return false;
  const auto normalized = normalize_path(path);
  return normalized && contains_any(*normalized, kSensitiveNames);
}

}  // namespace

std::optional<std::string> normalize_path(std::string_view path) {
  std::string out;  // byte offsets below are into `out`
  out.reserve(path.size());
  std::vector<std::size_t> separators;  // offsets of the "/" characters in `out`
  std::size_t pending_dots = 0;
  bool started = false;

  std::size_t pos = 0;
  while (pos < path.size()) {
    const std::size_t char_start = pos;
    const char32_t c = text::decode_at(path, pos);
    if (!started) {
      if (text::is_white_space(c)) continue;
      started = true;
    }
    if (c == U'.') {
      if (!out.empty() && out.back() != '/' && out.back() != '.') {
        out.push_back('.');
      } else {
        ++pending_dots;
      }
    } else if (c == U'/' || c == U'\\') {
      if (pending_dots >= 2) {
        // A parent step removes the last complete name before it.
        if (separators.empty()) return std::nullopt;
        if (separators.size() == 1) {
          if (out.size() == 1) return std::nullopt;  // only the root separator is left
          out.erase(0, separators.front() + 1);
          separators.clear();
        } else {
          const std::size_t from = separators[separators.size() - 2];
          out.erase(from, separators.back() - from);
          separators.pop_back();
        }
      } else if (pending_dots == 0 && (out.empty() || out.back() != '/')) {
        separators.push_back(out.size());
        out.push_back('/');
      }
      pending_dots = 0;
    } else {
      out.append(pending_dots, '.');
      pending_dots = 0;
      out.append(path.substr(char_start, pos - char_start));
    }
  }

  // Trailing dots, separators and whitespace go; pending dots are dropped with them.
  while (!out.empty()) {
    std::size_t last = out.size();
    const char32_t c = text::decode_before(out, last);
    if (c != U'.' && c != U'/' && !text::is_white_space(c)) break;
    out.resize(last);
  }
  return out;
}

bool is_dangerous_path(std::string_view path, bool is_custom_code) {
  if (path.empty()) return false;
  const bool found = examine(path, is_custom_code);
  if (found) {
    SORVANE_DEBUG(kTarget, "is_dangerous_path - result: true. is_custom_code: {}. path: {}",
                  is_custom_code, text::truncate_chars(path, 128));
  } else {
    SORVANE_TRACE(kTarget, "is_dangerous_path - result: false. is_custom_code: {}. path: {}",
                  is_custom_code, text::truncate_chars(path, 128));
  }
  return found;
}

}  // namespace sorvane::evaluation::rules::path_traversal::semantic_file_security_bypass
