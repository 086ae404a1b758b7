'use strict';
// Memory under a long mixed load: every Agent method with valid and failing arguments (and
// constructions), a million calls in total, with the resident set size printed at
// intervals after a garbage collection. After the warm-up the figure must stay flat;
// the script fails when it grows by more than the allowed slack. The loop yields to the
// event loop every thousand calls, as a server does between requests: Node.js runs the
// finalizers of collected Agent instances from there, not during the collection.
//   node bench/memory.js [calls] [slack MiB]
const path = require('node:path');
const { spawnSync } = require('node:child_process');
const { setImmediate } = require('node:timers/promises');

if (typeof global.gc !== 'function') {
  // Collections between samples keep JavaScript garbage out of the figures.
  const run = spawnSync(process.execPath, ['--expose-gc', __filename, ...process.argv.slice(2)],
    { stdio: 'inherit' });
  process.exit(run.status ?? 1);
}

const { Agent } = require('..');
const { available, answerOf } = require(path.join(__dirname, 'support', 'workload.js'));

const TOTAL = Number(process.argv[2] || 1e6);
const SLACK_MIB = Number(process.argv[3] || 16);
const SAMPLES = 10;
const WARM_UP_SAMPLES = 2;

const { cases, missing } = available(Agent);
if (missing.length > 0) console.log(`not in this build, left out: ${missing.join(', ')}`);
const agent = new Agent();
const mib = (bytes) => (bytes / 1048576).toFixed(1);

function sample(calls) {
  global.gc();
  const m = process.memoryUsage();
  console.log(`${String(calls).padStart(9)} ${mib(m.rss).padStart(9)} ${mib(m.heapUsed).padStart(9)} ` +
    `${mib(m.external).padStart(9)}`);
  return m.rss;
}

console.log(`node ${process.version}, ${cases.length} cases, ${TOTAL} calls`);
console.log(`${'calls'.padStart(9)} ${'rss MiB'.padStart(9)} ${'heap MiB'.padStart(9)} ${'ext MiB'.padStart(9)}`);
async function main() {
  const rss = [sample(0)];
  let calls = 0;
  for (let s = 1; s <= SAMPLES; s++) {
    const until = Math.round((TOTAL * s) / SAMPLES);
    while (calls < until) {
      const batchEnd = Math.min(until, calls + 1000);
      for (; calls < batchEnd; calls++) answerOf(Agent, agent, cases[calls % cases.length]);
      await setImmediate();
    }
    rss.push(sample(calls));
  }
  return rss;
}

main().then((rss) => {
  const afterWarmUp = rss[WARM_UP_SAMPLES];
  const growth = Math.max(...rss.slice(WARM_UP_SAMPLES)) - afterWarmUp;
  console.log(`growth after warm-up (${Math.round((TOTAL * WARM_UP_SAMPLES) / SAMPLES)} calls): ` +
    `${mib(growth)} MiB (allowed ${SLACK_MIB} MiB)`);
  if (growth > SLACK_MIB * 1048576) {
    console.error('resident memory keeps growing under load');
    process.exitCode = 1;
  }
});
