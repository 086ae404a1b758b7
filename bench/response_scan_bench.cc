// Throughput of the response-body scanner over 1 MB bodies, whole and in 64 KB chunks, with a
// few tracked inputs and with many that start like the script text (each input one more
// partial match to follow at almost every byte).
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "bench/support/text.h"
#include "core/evaluation/rules/reflected_xss/sink_checks.h"
#include "core/evaluation/rules/reflected_xss/sink_checks_cache.h"
#include "core/evaluation/rules/reflected_xss/sink_checks_codec.h"
#include "core/evaluation/rules/reflected_xss/sink_checks_inputs.h"

namespace {

using bench::support::set_bytes_per_iteration;
using sorvane::evaluation::rules::reflected_xss::sink_checks::deserialize_inputs;
using sorvane::evaluation::rules::reflected_xss::sink_checks::deserialize_state;
using sorvane::evaluation::rules::reflected_xss::sink_checks::has_vulnerability;
using sorvane::evaluation::rules::reflected_xss::sink_checks::InputsCache;
using sorvane::evaluation::rules::reflected_xss::sink_checks::ParseState;
using sorvane::evaluation::rules::reflected_xss::sink_checks::serialize_inputs;
using sorvane::evaluation::rules::reflected_xss::sink_checks::serialize_state;
using sorvane::evaluation::rules::reflected_xss::sink_checks::TrackedInputs;
using sorvane::evaluation::rules::reflected_xss::sink_checks::UserInput;
using sorvane::evaluation::rules::reflected_xss::sink_checks::XssState;

constexpr std::size_t kBodySize = 1 << 20;

const std::vector<std::string> kInputs = {
    "\"><svg onload=alert(1)>", "javascript:alert(document.domain)", "'-confirm(1)-'",
    "onerror=prompt(8)", "<img src=x onerror=alert(1)>"};

const char* const kScript =
    "  var items = document.querySelectorAll('.item'); for (let i = 0; i < items.length; i++) {"
    " items[i].addEventListener(\"click\", function (e) { console.log('clicked', i); }); }\n"
    "  const config = {\"apiUrl\": \"/api/v1/orders\", \"retries\": 3, \"timeout\": 5000};\n"
    "  if (window.location.hash === '#debug') { config.verbose = true; }\n";

// An ordinary page: markup, text, links, forms and a few scripts.
std::string html_page() {
  static const std::vector<std::string> blocks = {
      "<div class=\"card\"><h2 class=\"title\">Quarterly results</h2><p>Revenue grew by 12% "
      "compared with the same period last year, driven by strong demand.</p></div>\n",
      "<a href=\"/products/123?ref=home\" title=\"Product page\">See the product</a>\n",
      "<img src=\"/static/img/banner.png\" alt=\"Banner\" width=\"640\" height=\"120\">\n",
      "<form method=\"post\" action=\"/search\"><input type=\"text\" name=\"q\" "
      "placeholder=\"Search\"><button type=\"submit\">Go</button></form>\n",
      "<ul><li>First item</li><li>Second item</li><li>Third item</li></ul>\n",
      std::string("<script type=\"text/javascript\">\n") + kScript + "</script>\n",
      "<iframe src=\"https://example.invalid/embed/42\" width=\"560\" height=\"315\"></iframe>\n",
  };
  std::mt19937 rng(1);
  std::string body = "<!DOCTYPE html><html><head><title>Shop</title></head><body>\n";
  while (body.size() < kBodySize) body += blocks[rng() % blocks.size()];
  body.resize(kBodySize);
  return body;
}

// A page that is nearly all script content.
std::string script_page() {
  std::string body = "<html><head><script>\n";
  while (body.size() < kBodySize - 32) body += kScript;
  body.resize(kBodySize - 32);
  body += "</script></head></html>";
  return body;
}

void scan_whole(benchmark::State& st, const std::string& body, bool with_inputs) {
  std::vector<UserInput> inputs;
  if (with_inputs) {
    for (const std::string& v : kInputs) inputs.push_back({v, 0});
  }
  for (auto _ : st) {
    for (UserInput& in : inputs) in.progress = 0;
    XssState state;
    auto m = has_vulnerability(body, inputs, state);
    benchmark::DoNotOptimize(m);
    if (m) st.SkipWithError("unexpected match");
  }
  set_bytes_per_iteration(st, body.size());
}

constexpr std::size_t kChunkSize = 64 * 1024;

// `count` values that each start with 8 bytes of the script text and end in bytes the page
// never holds.
std::vector<std::string> script_like_inputs(std::size_t count) {
  const std::string script = kScript;
  std::vector<std::string> values;
  for (std::size_t i = 0; i < count; ++i) {
    values.push_back(script.substr((i * 7) % (script.size() - 8), 8) + "~" + std::to_string(i));
  }
  return values;
}

// Scans the script page with `values` tracked, whole or chunk by chunk with the inputs'
// matcher kept between chunks and their progress written after each.
void scan_script_page(benchmark::State& st, const std::vector<std::string>& values,
                      std::size_t chunk_size) {
  const std::string body = script_page();
  std::vector<UserInput> inputs;
  for (const std::string& v : values) inputs.push_back({v, 0});
  for (auto _ : st) {
    for (UserInput& in : inputs) in.progress = 0;
    TrackedInputs tracked(inputs);
    XssState state;
    for (std::size_t pos = 0; pos < body.size(); pos += chunk_size) {
      auto m = has_vulnerability(std::string_view(body).substr(pos, chunk_size), tracked, state);
      benchmark::DoNotOptimize(m);
      if (m) st.SkipWithError("unexpected match");
      tracked.store_progress();
    }
  }
  set_bytes_per_iteration(st, body.size());
}

// Benign: the five inputs above; the first five script-like inputs; hostile: 10,000 of them.
void BM_ScanScriptPageInputs(benchmark::State& st) {
  const std::size_t count = static_cast<std::size_t>(st.range(0));
  const std::size_t chunk = st.range(1) ? kChunkSize : kBodySize;
  scan_script_page(st, count == 0 ? kInputs : script_like_inputs(count), chunk);
}
BENCHMARK(BM_ScanScriptPageInputs)
    ->ArgNames({"script_like", "chunked"})
    ->Args({0, 0})
    ->Args({5, 0})
    ->Args({10000, 0})
    ->Args({0, 1})
    ->Args({5, 1})
    ->Args({10000, 1});

// The chunked scan as the bindings make it: per 64 KB chunk the state and the inputs are
// read from their byte form (through the inputs kept between chunks, one cache for the
// run as an env has), scanned, and written to new bytes that the caller keeps for the next
// chunk. Five absent inputs, the first five script-like ones and 10,000 of them.
void BM_ChunkedScanThroughByteForm(benchmark::State& st) {
  const std::size_t count = static_cast<std::size_t>(st.range(0));
  std::vector<UserInput> inputs;
  for (const std::string& v : count == 0 ? kInputs : script_like_inputs(count)) {
    inputs.push_back({v, 0});
  }
  const std::string body = script_page();
  const std::vector<std::uint8_t> first_state = serialize_state({});
  const std::vector<std::uint8_t> first_inputs = serialize_inputs(inputs);
  for (auto _ : st) {
    // A new list for each body: its first chunk decodes it and builds its matcher.
    InputsCache cache;
    std::vector<std::uint8_t> state_bytes = first_state;
    std::vector<std::uint8_t> input_bytes = first_inputs;
    for (std::size_t pos = 0; pos < body.size(); pos += kChunkSize) {
      auto state = deserialize_state(state_bytes);
      auto lease = cache.open(input_bytes);
      auto m = lease.value().scan(std::string_view(body).substr(pos, kChunkSize), state.value());
      if (m) st.SkipWithError("unexpected match");
      state_bytes = serialize_state(state.value());
      const auto written = lease.value().bytes();
      input_bytes.assign(written.begin(), written.end());
    }
    benchmark::DoNotOptimize(input_bytes);
  }
  set_bytes_per_iteration(st, body.size());
}
BENCHMARK(BM_ChunkedScanThroughByteForm)->ArgName("script_like")->Arg(0)->Arg(5)->Arg(10000);

// What one chunk costs besides its bytes through the byte form, once the list is kept: a
// one-byte chunk of script content that starts no input, with the first five or all
// 10,000 script-like inputs, the inputs' bytes compared, and written anew for the caller.
void BM_ChunkCallThroughByteForm(benchmark::State& st) {
  std::vector<UserInput> inputs;
  for (const std::string& v : script_like_inputs(static_cast<std::size_t>(st.range(0)))) {
    inputs.push_back({v, 0});
  }
  const std::vector<std::uint8_t> state_bytes =
      serialize_state({ParseState::of(ParseState::Kind::ScriptData), 0});
  std::vector<std::uint8_t> input_bytes = serialize_inputs(inputs);
  InputsCache cache;
  for (auto _ : st) {
    auto state = deserialize_state(state_bytes);
    auto lease = cache.open(input_bytes);
    auto m = lease.value().scan("~", state.value());
    if (m) st.SkipWithError("unexpected match");
    benchmark::DoNotOptimize(serialize_state(state.value()));
    const auto written = lease.value().bytes();
    input_bytes.assign(written.begin(), written.end());
  }
}
BENCHMARK(BM_ChunkCallThroughByteForm)->ArgName("script_like")->Arg(5)->Arg(10000);

// What one call costs before and besides its bytes, in script content: a one-byte chunk
// that starts no input (the matcher's set-up alone) and one copy of the script text (the
// set-up and every part of the automaton that the page reaches), with the first five or
// all 10,000 script-like inputs.
void BM_ScanCallSetup(benchmark::State& st) {
  std::vector<UserInput> inputs;
  for (const std::string& v : script_like_inputs(static_cast<std::size_t>(st.range(0)))) {
    inputs.push_back({v, 0});
  }
  const std::string chunk = st.range(1) ? std::string(kScript) : std::string("~");
  for (auto _ : st) {
    for (UserInput& in : inputs) in.progress = 0;
    XssState state{ParseState::of(ParseState::Kind::ScriptData), 0};
    auto m = has_vulnerability(chunk, inputs, state);
    benchmark::DoNotOptimize(m);
    if (m) st.SkipWithError("unexpected match");
  }
}
BENCHMARK(BM_ScanCallSetup)
    ->ArgNames({"script_like", "script_copy"})
    ->Args({5, 0})
    ->Args({10000, 0})
    ->Args({5, 1})
    ->Args({10000, 1});

// What a chunked caller pays besides the scan: the inputs read from and written back to
// their byte form once per 64 KB chunk of the 1 MB page.
void BM_InputsByteFormatPerMegabyte(benchmark::State& st) {
  const std::size_t count = static_cast<std::size_t>(st.range(0));
  std::vector<UserInput> inputs;
  for (const std::string& v : count == 0 ? kInputs : script_like_inputs(count)) {
    inputs.push_back({v, 0});
  }
  auto bytes = serialize_inputs(inputs);
  for (auto _ : st) {
    for (std::size_t pos = 0; pos < kBodySize; pos += kChunkSize) {
      auto decoded = deserialize_inputs(bytes);
      bytes = serialize_inputs(decoded.value());
    }
    benchmark::DoNotOptimize(bytes);
  }
  set_bytes_per_iteration(st, kBodySize);
}
BENCHMARK(BM_InputsByteFormatPerMegabyte)->ArgName("script_like")->Arg(0)->Arg(5)->Arg(10000);

void BM_ScanHtmlPageFiveInputs(benchmark::State& st) { scan_whole(st, html_page(), true); }
void BM_ScanScriptPageFiveInputs(benchmark::State& st) { scan_whole(st, script_page(), true); }
void BM_ScanHtmlPageNoInputs(benchmark::State& st) {
  std::string page = html_page();
  // Without inputs the first script element ends the scan; keep only markup.
  for (std::size_t p = page.find("<script"); p != std::string::npos; p = page.find("<script", p)) {
    page[p + 1] = 'x';
  }
  for (std::size_t p = page.find("<iframe"); p != std::string::npos; p = page.find("<iframe", p)) {
    page[p + 1] = 'x';
  }
  scan_whole(st, page, false);
}

BENCHMARK(BM_ScanHtmlPageFiveInputs);
BENCHMARK(BM_ScanScriptPageFiveInputs);
BENCHMARK(BM_ScanHtmlPageNoInputs);

}  // namespace
