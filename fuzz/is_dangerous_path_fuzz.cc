// The path check on arbitrary paths: without the custom-code flag only a data-stream marker
// counts, the flag only adds answers, and a normalised path is no longer than the path, holds
// no backslash, no empty step and no trailing dot, slash or blank.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/evaluation/rules/path_traversal/semantic_file_security_bypass.h"
#include "fuzz/fuzz_input.h"

namespace bypass = sorvane::evaluation::rules::path_traversal::semantic_file_security_bypass;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view path(reinterpret_cast<const char*>(data), size);
  if (!quenlith_fuzz::is_text(path)) return -1;

  const bool plain = bypass::is_dangerous_path(path, false);
  const bool custom = bypass::is_dangerous_path(path, true);
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
