#include "core/platform/env.h"

#include <cstdlib>
#include <vector>

#include "core/text/utf8.h"

#ifdef _WIN32
extern "C" {
__declspec(dllimport) wchar_t* __stdcall GetEnvironmentStringsW();
__declspec(dllimport) int __stdcall FreeEnvironmentStringsW(wchar_t*);
}
#endif

namespace sorvane::platform {
namespace {

char ascii_lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool names_equal(std::string_view a, std::string_view b, bool ignore_case) {
  if (a.size() != b.size()) return false;
  if (!ignore_case) return a == b;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (ascii_lower(a[i]) != ascii_lower(b[i])) return false;
  }
  return true;
}

}  // namespace

std::optional<std::string_view> find_env_entry(std::span<const std::string_view> entries,
                                               std::string_view name, bool ignore_case) {
  for (std::string_view entry : entries) {
    // Windows keeps per-drive entries such as "=C:=C:\\"; the first '=' after the first
    // character ends the name.
    std::size_t eq = entry.find('=', entry.empty() ? 0 : 1);
    if (eq == std::string_view::npos) continue;
    if (names_equal(entry.substr(0, eq), name, ignore_case)) return entry.substr(eq + 1);
  }
  return std::nullopt;
}

std::optional<std::string> utf16_to_utf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (i + 1 >= text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF) return std::nullopt;
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xDC00 && c <= 0xDFFF) {
      return std::nullopt;
    }
    text::append_utf8(out, c);
  }
  return out;
}

#ifdef _WIN32
std::optional<std::string> get_env(std::string_view name) {
  wchar_t* block = GetEnvironmentStringsW();
  if (block == nullptr) return std::nullopt;
  // Entries that are not valid UTF-16 cannot be valid UTF-8 either: they count as unset.
  std::vector<std::string> converted;
  for (const wchar_t* p = block; *p != L'\0';) {
    std::u16string_view entry(reinterpret_cast<const char16_t*>(p));
    if (auto utf8 = utf16_to_utf8(entry)) converted.push_back(std::move(*utf8));
    p += entry.size() + 1;
  }
  FreeEnvironmentStringsW(block);
  std::vector<std::string_view> entries(converted.begin(), converted.end());
  auto value = find_env_entry(entries, name, /*ignore_case=*/true);
  if (!value) return std::nullopt;
  return std::string(*value);
}
#else
std::optional<std::string> get_env(std::string_view name) {
  const char* value = std::getenv(std::string(name).c_str());
  if (value == nullptr || !text::is_utf8(value)) return std::nullopt;
  return std::string(value);
}
#endif

}  // namespace sorvane::platform
