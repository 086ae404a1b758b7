// The reflected-XSS matcher on arbitrary text: its match functions answer alike whether their
// searches over the text are shared between hits or made afresh, and each hit of an object or
// function name scores what the function's steps as they read score; the matcher answers as its
// steps as written.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/evaluation/rules/input_traits.h"
#include "core/evaluation/rules/reflected_xss/match_functions/js_context.h"
#include "core/evaluation/rules/reflected_xss/match_functions/match_functions.h"
#include "core/evaluation/rules/reflected_xss/match_functions/plain_for_testing.h"
#include "core/evaluation/rules/reflected_xss/match_functions/text_scan.h"
#include "core/evaluation/rules/reflected_xss/matcher.h"
#include "core/evaluation/rules/reflected_xss/matcher_plain_for_testing.h"
#include "fuzz/fuzz_input.h"

namespace xss = sorvane::evaluation::rules::reflected_xss;
namespace mf = xss::match_functions;
using Sharing = mf::TextScan::Sharing;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  quenlith_fuzz::FuzzInput in(data, size);
  const std::string_view text = in.rest();
  if (!quenlith_fuzz::is_text(text)) return -1;

  static const xss::XssMatcher matcher;
  const auto traits = sorvane::evaluation::rules::compute_input_traits(text, 9);
  const auto shared = matcher.get_matches(text, traits, Sharing::Shared);
  FUZZ_CHECK(matcher.get_matches(text, traits, Sharing::Direct) == shared);
  FUZZ_CHECK(matcher.get_matches(text, traits) == shared);
  static const xss::PlainXssMatcher plain;
  FUZZ_CHECK(plain.get_matches(text, traits) == shared);

  mf::TextScan shared_scan(text, Sharing::Shared);
  mf::TextScan direct_scan(text, Sharing::Direct);
  for (std::string_view keyword : {"window", "console", "document", "location", "top"}) {
    for (std::size_t start : mf::hits_of(text, keyword)) {
      const std::size_t end = start + keyword.size();
      const float plain = mf::plain_object_method_call(keyword, text, end);
      FUZZ_CHECK(mf::is_object_method_call(keyword, shared_scan, start, end) == plain);
      FUZZ_CHECK(mf::is_object_method_call(keyword, direct_scan, start, end) == plain);
    }
  }
  for (std::string_view keyword : {"alert", "eval", "function"}) {
    for (std::size_t start : mf::hits_of(text, keyword)) {
      const std::size_t end = start + keyword.size();
      const float got = mf::js_context::is_function_in_js_context(keyword, shared_scan, start, end);
      FUZZ_CHECK(mf::js_context::is_function_in_js_context(keyword, direct_scan, start, end) == got);
      // The checks before the name pass when an empty call right after it scores.
      const std::string empty_call = std::string(text.substr(0, end)) + "()";
      const bool name_passes =
          mf::js_context::is_function_in_js_context(keyword, empty_call, start, end) == 90;
      FUZZ_CHECK(got == (name_passes ? mf::plain_call_score(text, end) : 0));
    }
  }
  return 0;
}
