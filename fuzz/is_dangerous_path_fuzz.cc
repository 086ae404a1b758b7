// The path check on arbitrary paths: the normalisation and the answers are those of a plain
// version written from the normalisation steps; without the custom-code flag only a
// data-stream marker counts; a normalised path is no longer than the path, holds no
// backslash, no empty step and no trailing dot, slash or blank.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/evaluation/rules/path_traversal/semantic_file_security_bypass.h"
#include "core/text/unicode.h"
#include "core/text/utf8.h"
#include "fuzz/fuzz_input.h"

namespace bypass = sorvane::evaluation::rules::path_traversal::semantic_file_security_bypass;

namespace {

std::optional<std::string> reference_normalize(std::string_view path) {
  std::vector<char32_t> out;
  std::vector<std::size_t> separators;
  std::size_t dots = 0;
  bool started = false;
  for (std::size_t pos = 0; pos < path.size();) {
    const char32_t c = sorvane::text::decode_at(path, pos);
    if (!started && sorvane::text::is_white_space(c)) continue;
    started = true;
    if (c == '.') {
      if (!out.empty() && out.back() != '/' && out.back() != '.') out.push_back('.');
      else ++dots;
    } else if (c == '/' || c == '\\') {
      if (dots >= 2) {
        if (separators.empty()) return std::nullopt;
        if (separators.size() == 1) {
          if (out.size() == 1) return std::nullopt;
          out.erase(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(separators[0] + 1));
          separators.clear();
        } else {
          const std::size_t last = separators.back();
          separators.pop_back();
          out.erase(out.begin() + static_cast<std::ptrdiff_t>(separators.back()),
                    out.begin() + static_cast<std::ptrdiff_t>(last));
        }
      } else if (dots == 0 && (out.empty() || out.back() != '/')) {
        out.push_back('/');
        separators.push_back(out.size() - 1);
      }
      dots = 0;
    } else {
      out.insert(out.end(), dots, '.');
      out.push_back(c);
      dots = 0;
    }
  }
  while (!out.empty() && (out.back() == '.' || out.back() == '/' ||
                          sorvane::text::is_white_space(out.back()))) {
    out.pop_back();
  }
  std::string text;
  for (char32_t c : out) sorvane::text::append_utf8(text, c);
  return text;
}

bool reference_is_dangerous(std::string_view path, bool is_custom_code) {
  if (path.empty()) return false;
  if (path.find("::$DATA") != std::string_view::npos ||
      path.find("::$Index") != std::string_view::npos) {
    return true;
  }
  if (!is_custom_code) return false;
  const auto normalized = reference_normalize(path);
  if (!normalized) return false;
  constexpr std::array<std::string_view, 7> kNames = {
      "/proc/self", "etc/passwd", "etc/shadow", "etc/hosts", "etc/groups", "etc/gshadow",
      "ntuser.dat"};
  for (auto name : kNames) {
    if (normalized->find(name) != std::string::npos) return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view path(reinterpret_cast<const char*>(data), size);
  if (!quenlith_fuzz::is_text(path)) return -1;

  const bool plain = bypass::is_dangerous_path(path, false);
  const bool custom = bypass::is_dangerous_path(path, true);
  FUZZ_CHECK(plain == reference_is_dangerous(path, false));
  FUZZ_CHECK(custom == reference_is_dangerous(path, true));
  FUZZ_CHECK(bypass::normalize_path(path) == reference_normalize(path));
  const bool marker = path.find("::$DATA") != std::string_view::npos ||
                      path.find("::$Index") != std::string_view::npos;
  FUZZ_CHECK(plain == marker);
  if (plain) FUZZ_CHECK(custom);

  if (auto normalized = bypass::normalize_path(path)) {
    const std::string_view n = *normalized;
    FUZZ_CHECK(n.size() <= path.size());
    FUZZ_CHECK(quenlith_fuzz::is_text(n));
    FUZZ_CHECK(n.find('\\') == std::string_view::npos);
    FUZZ_CHECK(n.find("//") == std::string_view::npos);
    if (!n.empty()) FUZZ_CHECK(std::string_view("./ \t\n\v\f\r").find(n.back()) == std::string_view::npos);
  }
  return 0;
}
