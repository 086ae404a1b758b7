// Reflected-XSS rule: benign inputs against deeply repetitive payloads of the same size.
#include <benchmark/benchmark.h>

#include <string>
#include <string_view>
#include <vector>

#include "bench/support/text.h"
#include "core/evaluation/rules/registry.h"
#include "core/evaluation/input_analysis/input.h"
#include "core/evaluation/input_type.h"
#include "core/evaluation/rules/input_traits.h"
#include "core/evaluation/rules/reflected_xss/html_unescape.h"
#include "core/evaluation/rules/reflected_xss/js_escape.h"
#include "core/evaluation/rules/reflected_xss/matcher.h"
#include "core/evaluation/rules/reflected_xss/reflected_xss.h"

namespace {

using bench::support::repeat_to;
using bench::support::set_bytes_per_iteration;
namespace xss = sorvane::evaluation::rules::reflected_xss;
using sorvane::evaluation::rules::compute_input_traits;
using sorvane::evaluation::rules::RuleConfig;

const RuleConfig& config() {
  static const RuleConfig c = *xss::instance().init();
  return c;
}

// Prose with punctuation that passes the character gate and words that are keywords
// ("this", "top", "content", "open", "self", "print") used harmlessly.
constexpr std::string_view kProse =
    "Thanks for this update: the top of the page (see section 2) lists the content we "
    "will open to everyone; please print it yourself and check the self-service form. ";

void run(benchmark::State& state, const std::string& text) {
  const auto traits = compute_input_traits(text, 9);
  std::vector<sorvane::evaluation::rules::PatternMatch> matches;
  for (auto _ : state) {
    matches.clear();
    xss::instance().get_matches(config(), text, traits, matches);
    benchmark::DoNotOptimize(matches);
  }
  set_bytes_per_iteration(state, text.size());
}

void BM_XssPayload(benchmark::State& state, std::string_view unit, std::size_t size) {
  run(state, repeat_to(unit, size));
}

// The payload with its first byte replaced by "=", which lets it through the character gate
// to the decoders and the matcher.
void BM_XssGatedPayload(benchmark::State& state, std::string_view unit, std::size_t size) {
  std::string text = repeat_to(unit, size);
  text[0] = '=';
  run(state, text);
}

// The payload, then `tail` (which closes what the repetitions opened).
void BM_XssPayloadWithTail(benchmark::State& state, std::string_view unit, std::string_view tail,
                           std::size_t size) {
  std::string text = repeat_to(unit, size - tail.size());
  text.append(tail);
  run(state, text);
}

constexpr std::size_t k100K = 100 * 1024;

// The decoders alone, on texts they find much to try and nothing to decode in.
void BM_XssUnescapeHtml(benchmark::State& state, std::string_view unit) {
  const std::string text = repeat_to(unit, k100K);
  for (auto _ : state) benchmark::DoNotOptimize(xss::html_unescape::unescape_html(text));
  set_bytes_per_iteration(state, text.size());
}
void BM_XssUnescapeJs(benchmark::State& state, std::string_view unit) {
  const std::string text = repeat_to(unit, k100K);
  for (auto _ : state) benchmark::DoNotOptimize(xss::js_escape::unescape_js(text));
  set_bytes_per_iteration(state, text.size());
}
BENCHMARK_CAPTURE(BM_XssUnescapeHtml, benign_prose_100k, kProse);
BENCHMARK_CAPTURE(BM_XssUnescapeHtml, numeric_refs_100k, "&#");
BENCHMARK_CAPTURE(BM_XssUnescapeHtml, ampersands_100k, "&");
BENCHMARK_CAPTURE(BM_XssUnescapeHtml, named_refs_100k, "&lt;");
BENCHMARK_CAPTURE(BM_XssUnescapeJs, benign_prose_100k, kProse);
BENCHMARK_CAPTURE(BM_XssUnescapeJs, brace_escapes_100k, "\\u{");
BENCHMARK_CAPTURE(BM_XssUnescapeJs, letter_escapes_100k, "\\x61");

BENCHMARK_CAPTURE(BM_XssPayload, benign_prose_100k, kProse, k100K);
BENCHMARK_CAPTURE(BM_XssPayload, script_tags_100k, "<script", k100K);
BENCHMARK_CAPTURE(BM_XssPayload, numeric_refs_100k, "&#", k100K);
BENCHMARK_CAPTURE(BM_XssPayload, brace_escapes_100k, "\\u{", k100K);
BENCHMARK_CAPTURE(BM_XssPayload, bracket_access_100k, "window[", k100K);
BENCHMARK_CAPTURE(BM_XssGatedPayload, numeric_refs_100k, "&#", k100K);
BENCHMARK_CAPTURE(BM_XssGatedPayload, brace_escapes_100k, "\\u{", k100K);
BENCHMARK_CAPTURE(BM_XssGatedPayload, bracket_access_100k, "window[", k100K);
BENCHMARK_CAPTURE(BM_XssGatedPayload, ampersands_100k, "&", k100K);
BENCHMARK_CAPTURE(BM_XssGatedPayload, open_calls_100k, "alert(", k100K);
BENCHMARK_CAPTURE(BM_XssGatedPayload, open_comments_after_call_100k, "alert/*", k100K);
BENCHMARK_CAPTURE(BM_XssGatedPayload, open_comments_in_brackets_100k, "window[/*", k100K);
BENCHMARK_CAPTURE(BM_XssGatedPayload, open_strings_in_brackets_100k, "window['", k100K);
// Calls nested without closing, whose one closer ends every call's arguments.
BENCHMARK_CAPTURE(BM_XssPayloadWithTail, nested_calls_two_words_100k, "alert(", "a b)", k100K);
BENCHMARK_CAPTURE(BM_XssPayloadWithTail, nested_calls_joined_quotes_100k, "alert('+'", "a b)",
                  k100K);
// Short values that hold a short vector, each beside a same-length one that holds none: a
// keyword the rule reports, keywords it weighs and drops, and a near miss.
void BM_XssShortValue(benchmark::State& state, std::string_view value) {
  run(state, std::string(value));
}
BENCHMARK_CAPTURE(BM_XssShortValue, proto_key, "__proto__");
BENCHMARK_CAPTURE(BM_XssShortValue, near_miss, "__proto_x");
BENCHMARK_CAPTURE(BM_XssShortValue, alert_call, "alert(1)");
BENCHMARK_CAPTURE(BM_XssShortValue, open_word, "open: now");
BENCHMARK_CAPTURE(BM_XssPayload, benign_64, kProse, 64);
BENCHMARK_CAPTURE(BM_XssPayload, benign_10k, kProse, 10 * 1024);

// The whole evaluation of a parameter value with this rule alone: input summary, safe-value
// and binary tests, then the rule.
void BM_XssCheckInput(benchmark::State& state, std::string_view unit, std::size_t size) {
  sorvane::evaluation::rules::CONFIG();
  const std::string text = repeat_to(unit, size);
  const sorvane::evaluation::rules::RuleType xss_only[] = {sorvane::evaluation::rules::kReflectedXss};
  for (auto _ : state) {
    benchmark::DoNotOptimize(sorvane::evaluation::input_analysis::input::check_input(
        text, sorvane::evaluation::InputType::ParameterValue, xss_only, false));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK_CAPTURE(BM_XssCheckInput, benign_64, kProse, 64);
BENCHMARK_CAPTURE(BM_XssCheckInput, benign_10k, kProse, 10 * 1024);
BENCHMARK_CAPTURE(BM_XssCheckInput, benign_prose_100k, kProse, k100K);
BENCHMARK_CAPTURE(BM_XssCheckInput, script_tags_100k, "<script", k100K);
BENCHMARK_CAPTURE(BM_XssCheckInput, numeric_refs_100k, "&#", k100K);
BENCHMARK_CAPTURE(BM_XssCheckInput, brace_escapes_100k, "\\u{", k100K);
BENCHMARK_CAPTURE(BM_XssCheckInput, bracket_access_100k, "window[", k100K);

}  // namespace

namespace {

// `count` distinct values, `prefix` then the value's number then `suffix`, each with its
// summary, as an attacker sends them so that no answer can be reused.
struct Values {
  std::vector<std::string> texts;
  std::vector<sorvane::evaluation::rules::InputTraits> traits;
};

Values distinct(std::string_view prefix, std::string_view suffix, std::size_t count = 7000) {
  Values v;
  for (std::size_t i = 0; i < count; ++i) {
    v.texts.push_back(std::string(prefix) + std::to_string(i) + std::string(suffix));
    v.traits.push_back(compute_input_traits(v.texts.back(), 6));
  }
  return v;
}

// The rule on every value in turn (matches and score), as a JSON body's values reach it.
// Per value: findings reported, and the bytes of all values.
void BM_XssShortValues(benchmark::State& state, std::string_view prefix, std::string_view suffix) {
  const Values v = distinct(prefix, suffix);
  std::size_t bytes = 0, found = 0;
  for (const std::string& t : v.texts) bytes += t.size();
  std::vector<sorvane::evaluation::rules::PatternMatch> matches;
  for (auto _ : state) {
    found = 0;
    for (std::size_t i = 0; i < v.texts.size(); ++i) {
      matches.clear();
      xss::instance().get_matches(config(), v.texts[i], v.traits[i], matches);
      if (!matches.empty()) found += xss::instance().score(matches) > 0;
      benchmark::DoNotOptimize(matches);
    }
  }
  state.counters["values"] = static_cast<double>(v.texts.size());
  state.counters["with_findings"] = static_cast<double>(found);
  state.counters["ns_per_value"] = benchmark::Counter(
      static_cast<double>(v.texts.size()),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  set_bytes_per_iteration(state, bytes);
}
// Calls the rule reports, a tag with an event handler, and benign values that pass the
// character gate: short ones (the short-vector screen) and longer ones (the keyword search).
BENCHMARK_CAPTURE(BM_XssShortValues, eval_calls, "eval(", ")");
BENCHMARK_CAPTURE(BM_XssShortValues, alert_calls, "alert(", ")");
BENCHMARK_CAPTURE(BM_XssShortValues, onerror_tags, "<img src=x onerror=f(", ")>");
BENCHMARK_CAPTURE(BM_XssShortValues, object_calls, "window.open(", ")");
// Calls nested in one argument text that ends in two words: every hit is weighed and dropped.
BENCHMARK_CAPTURE(BM_XssShortValues, nested_calls_two_words, "eval(eval(eval(eval(", " a b)");
BENCHMARK_CAPTURE(BM_XssShortValues, benign_short, "item_", ":ok");
BENCHMARK_CAPTURE(BM_XssShortValues, benign_emails, "user_", "@example.org");
BENCHMARK_CAPTURE(BM_XssShortValues, benign_calls_in_prose, "see note (", ") below");


// Where the match functions stop sharing their searches: 2,000 distinct texts of one length
// and shape through the matcher, searched afresh for every question or with the answers
// shared, side by side. Calls nested in one argument text share their closer and searches;
// calls each with their own arguments share nothing.
void BM_XssScanSharing(benchmark::State& state, std::string_view unit, std::string_view tail,
                       std::size_t length, xss::match_functions::TextScan::Sharing sharing) {
  static const xss::XssMatcher matcher;
  std::vector<std::string> texts;
  std::vector<sorvane::evaluation::rules::InputTraits> traits;
  for (std::size_t i = 0; i < 2000; ++i) {
    const std::string n = std::to_string(i);
    std::string text;
    while (text.size() + unit.size() + n.size() + tail.size() <= length) text.append(unit);
    texts.push_back(text.append(n).append(tail));
    traits.push_back(compute_input_traits(texts.back(), 6));
  }
  std::size_t bytes = 0;
  for (const std::string& t : texts) bytes += t.size();
  for (auto _ : state) {
    for (std::size_t i = 0; i < texts.size(); ++i) {
      benchmark::DoNotOptimize(matcher.get_matches(texts[i], traits[i], sharing));
    }
  }
  set_bytes_per_iteration(state, bytes);
}
using Sharing = xss::match_functions::TextScan::Sharing;
BENCHMARK_CAPTURE(BM_XssScanSharing, nested_32_fresh, "eval(", " a b)", 32, Sharing::Direct);
BENCHMARK_CAPTURE(BM_XssScanSharing, nested_32_shared, "eval(", " a b)", 32, Sharing::Shared);
BENCHMARK_CAPTURE(BM_XssScanSharing, nested_64_fresh, "eval(", " a b)", 64, Sharing::Direct);
BENCHMARK_CAPTURE(BM_XssScanSharing, nested_64_shared, "eval(", " a b)", 64, Sharing::Shared);
BENCHMARK_CAPTURE(BM_XssScanSharing, own_arguments_32_fresh, "eval(a b) ", "", 32, Sharing::Direct);
BENCHMARK_CAPTURE(BM_XssScanSharing, own_arguments_32_shared, "eval(a b) ", "", 32, Sharing::Shared);
BENCHMARK_CAPTURE(BM_XssScanSharing, own_arguments_64_fresh, "eval(a b) ", "", 64, Sharing::Direct);
BENCHMARK_CAPTURE(BM_XssScanSharing, own_arguments_64_shared, "eval(a b) ", "", 64, Sharing::Shared);
}  // namespace
