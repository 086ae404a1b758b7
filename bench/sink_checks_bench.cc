// Sink and semantic checks on a 200-character text and on a 1 MiB one. Each text is
// built so that the check finds nothing and therefore scans all of it (the worst case).
#include <cstdint>
#include <string>
#include <string_view>

#include <benchmark/benchmark.h>

#include "bench/support/text.h"
#include "core/evaluation/rules/cmd_injection/cmd_sink.h"
#include "core/evaluation/rules/cmd_injection/semantic_chained_command.h"
#include "core/evaluation/rules/cmd_injection/semantic_dangerous_path.h"
#include "core/evaluation/rules/path_traversal/semantic_file_security_bypass.h"
#include "core/evaluation/rules/ssjs_injection/sink_check.h"

namespace {

using bench::support::repeat_to;
using bench::support::set_bytes_per_iteration;
namespace cmdi = sorvane::evaluation::rules::cmd_injection;
namespace path = sorvane::evaluation::rules::path_traversal;
namespace ssjs = sorvane::evaluation::rules::ssjs_injection;

constexpr std::string_view kCommand =
    "find /var/www/uploads -name \"report-2024*.pdf\" -type f -mtime -7 -exec cp {} "
    "/backup/reports/ \\; && echo \"done: $(date +%s)\" | tee -a /var/log/backup.log; "
    "ls -la 'quoted; text' 2>&1 | grep -v total ";
constexpr std::string_view kUnchainedCommand =
    "cp 'a;b|c' \"x y z\" $((1+2)) file-name_1.txt dir/sub\\path ";
constexpr std::string_view kPathCommand =
    "cat $HOME/docs//./a.txt \"${DIR}\"/b 'c' /etc/pass /usr/share/x ";
constexpr std::string_view kPlainPathCommand =
    "tar -czf /backup/$NAME.tgz /var/www/app /etc/nginx/sites-enabled ";
constexpr std::string_view kPath = "/var/www/app/../uploads/./img/a.png/";
constexpr std::string_view kCode =
    "var total = items.map(function (x) { return x.price * 2 + tax; })"
    ".reduce((a, b) => a + b, 0); s += 'it''s \\'ok\\''; ";

// Runs `check` on `unit` repeated to the benchmark's argument in bytes.
template <typename Check>
void run(benchmark::State& state, std::string_view unit, Check check) {
  const std::string text = repeat_to(unit, static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(check(text));
  set_bytes_per_iteration(state, text.size());
}

// The input is an empty span at the end: both passes run over the whole command.
void BM_CheckCommand(benchmark::State& state) {
  run(state, kCommand, [](const std::string& t) { return cmdi::check_command(t.size(), 0, t); });
}
BENCHMARK(BM_CheckCommand)->Arg(200)->Arg(1 << 20);

// A typical call: the input sits early and a boundary lies inside it.
void BM_CheckCommandEarlyAnswer(benchmark::State& state) {
  run(state, kCommand, [](const std::string& t) { return cmdi::check_command(22, 30, t); });
}
BENCHMARK(BM_CheckCommandEarlyAnswer)->Arg(200)->Arg(1 << 20);

void BM_IndexOfChaining(benchmark::State& state) {
  run(state, kUnchainedCommand, cmdi::semantic_chained_command::index_of_chaining);
}
BENCHMARK(BM_IndexOfChaining)->Arg(200)->Arg(1 << 20);

void BM_ContainsDangerousPath(benchmark::State& state) {
  run(state, kPathCommand, cmdi::semantic_dangerous_path::contains_dangerous_path);
}
BENCHMARK(BM_ContainsDangerousPath)->Arg(200)->Arg(1 << 20);

// Without quotes, "//" or "/./" no replacement needs to run.
void BM_ContainsDangerousPathPlain(benchmark::State& state) {
  run(state, kPlainPathCommand, cmdi::semantic_dangerous_path::contains_dangerous_path);
}
BENCHMARK(BM_ContainsDangerousPathPlain)->Arg(200)->Arg(1 << 20);

void BM_IsDangerousPath(benchmark::State& state) {
  run(state, kPath, [](const std::string& t) {
    return path::semantic_file_security_bypass::is_dangerous_path(t, true);
  });
}
BENCHMARK(BM_IsDangerousPath)->Arg(200)->Arg(1 << 20);

// The input is an empty span at the end: the scan runs over the whole code.
void BM_CheckJsCode(benchmark::State& state) {
  run(state, kCode, [](const std::string& t) {
    return ssjs::sink_check::check_js_code(t, t.size(), 0);
  });
}
BENCHMARK(BM_CheckJsCode)->Arg(200)->Arg(1 << 20);

}  // namespace
