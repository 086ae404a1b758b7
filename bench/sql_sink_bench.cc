// Cost of the SQL sink check: per call on an ordinary query and per byte on a large one.
#include <benchmark/benchmark.h>

#include <string>

#include "bench/support/text.h"
#include "core/evaluation/rules/sql_injection/context_free.h"
#include "core/evaluation/rules/sql_injection/sql_sink.h"
#include "core/text/utf8.h"

namespace {

using bench::support::set_bytes_per_iteration;
namespace sqli = sorvane::evaluation::rules::sql_injection;

const std::string kClause =
    "SELECT o.id, o.total, c.name FROM orders o JOIN customers c ON c.id = o.customer_id "
    "WHERE o.status = 'shipped' AND o.total > 100.50 AND c.email = \"a@b.c\" ORDER BY o.id; ";

// About 200 characters, with the user input inside the last string literal.
std::string query_200() {
  std::string q = kClause + kClause;
  q.resize(180);
  return q + " AND c.city = 'Lyon'";
}

void BM_SqlSinkQuery200(benchmark::State& st, sqli::DbType db_type) {
  const std::string q = query_200();
  const std::size_t index = sorvane::text::char_count(q) - 5;
  for (auto _ : st) {
    auto r = sqli::check_sql_query(index, 4, db_type, q);
    benchmark::DoNotOptimize(r);
  }
  st.counters["chars"] = static_cast<double>(q.size());
}

void BM_SqlSinkQuery1MB(benchmark::State& st, sqli::DbType db_type) {
  std::string q;
  while (q.size() < (1u << 20)) q += kClause;
  q.resize(1u << 20);
  // The input sits at the very end, so the whole query is tokenized.
  const std::size_t index = sorvane::text::char_count(q) - 1;
  for (auto _ : st) {
    auto r = sqli::check_sql_query(index, 1, db_type, q);
    benchmark::DoNotOptimize(r);
  }
  set_bytes_per_iteration(st, q.size());
}

void BM_ContextFreeSqlQuery200(benchmark::State& st) {
  const std::string q = query_200();
  for (auto _ : st) {
    bool r = sqli::context_free::check_context_free_sql(q);
    benchmark::DoNotOptimize(r);
  }
}

// The same clauses over 1 MiB: no comparison of equal sides, so the whole text is read.
void BM_ContextFreeSqlQuery1MB(benchmark::State& st) {
  std::string q;
  while (q.size() < (1u << 20)) q += kClause;
  q.resize(1u << 20);
  for (auto _ : st) {
    bool r = sqli::context_free::check_context_free_sql(q);
    benchmark::DoNotOptimize(r);
  }
  st.SetBytesProcessed(static_cast<std::int64_t>(st.iterations() * q.size()));
}

BENCHMARK_CAPTURE(BM_SqlSinkQuery200, MySQL, sqli::DbType::MySQL);
BENCHMARK_CAPTURE(BM_SqlSinkQuery200, SqlServer, sqli::DbType::SqlServer);
BENCHMARK_CAPTURE(BM_SqlSinkQuery1MB, MySQL, sqli::DbType::MySQL);
BENCHMARK_CAPTURE(BM_SqlSinkQuery1MB, SqlServer, sqli::DbType::SqlServer);
BENCHMARK(BM_ContextFreeSqlQuery200);
BENCHMARK(BM_ContextFreeSqlQuery1MB);

}  // namespace
