'use strict';
// Eight worker threads run the same mixed workload over the whole interface at once and
// get, call for call, the answers (results and thrown errors) that one thread gets alone.
// The workers start together and construct their Agents first, before this thread has
// built anything, so the one-time set-up in the process is raced too.
const test = require('node:test');
const assert = require('node:assert');
const path = require('node:path');
const { Worker } = require('node:worker_threads');

const modulePath = require.resolve('..');
const workloadPath = path.join(__dirname, '..', 'bench', 'support', 'workload.js');
const { Agent } = require(modulePath);
const { available, answerOf } = require(workloadPath);

const WORKERS = 8;
const ROUNDS = 25;
const { cases, missing } = available(Agent);

// Waits for the start signal, builds an Agent, then runs every case ROUNDS times, each
// worker from its own offset. Answers of round 0 go back whole; a later answer that
// differs from its round-0 answer goes back as a deviation.
const WORKER_SCRIPT = `
  const { parentPort, workerData } = require('node:worker_threads');
  const { Agent } = require(workerData.modulePath);
  const { available, answerOf } = require(workerData.workloadPath);
  const { cases } = available(Agent);
  const start = new Int32Array(workerData.start);
  parentPort.postMessage('ready');
  Atomics.wait(start, 0, 0);
  const agent = new Agent();
  const first = new Array(cases.length);
  const deviations = [];
  for (let round = 0; round < workerData.rounds; round++) {
    for (let k = 0; k < cases.length; k++) {
      const i = (k + workerData.offset) % cases.length;
      const answer = answerOf(Agent, agent, cases[i]);
      if (round === 0) first[i] = answer;
      else if (answer !== first[i] && deviations.length < 20) deviations.push({ round, i, answer });
    }
  }
  parentPort.postMessage({ first, deviations });
`;

function startWorker(offset, startSignal) {
  const worker = new Worker(WORKER_SCRIPT, {
    eval: true,
    workerData: { modulePath, workloadPath, start: startSignal, offset, rounds: ROUNDS },
  });
  const ready = new Promise((resolve) => worker.once('message', resolve));
  const done = ready.then(() => new Promise((resolve, reject) => {
    worker.once('message', resolve);
    worker.once('error', reject);
    worker.once('exit', (code) => reject(new Error(`worker exited with ${code} before answering`)));
  }));
  worker.once('error', () => {});
  return { ready, done };
}

test(`${WORKERS} workers get the single-thread answers for every call`, async (t) => {
  if (missing.length > 0) t.diagnostic(`not in this build, left out of the workload: ${missing.join(', ')}`);

  const startSignal = new SharedArrayBuffer(4);
  const workers = Array.from({ length: WORKERS },
    (_, w) => startWorker(Math.floor((w * cases.length) / WORKERS), startSignal));
  await Promise.all(workers.map((w) => w.ready));
  const flag = new Int32Array(startSignal);
  Atomics.store(flag, 0, 1);
  Atomics.notify(flag, 0);
  const results = await Promise.all(workers.map((w) => w.done));

  const agent = new Agent();
  const expected = cases.map((c) => answerOf(Agent, agent, c));
  results.forEach(({ first, deviations }, w) => {
    assert.deepStrictEqual(deviations, [], `worker ${w} changed its answers between rounds`);
    cases.forEach((c, i) => {
      assert.strictEqual(first[i], expected[i], `worker ${w}, case ${i} (${c.method})`);
    });
  });
});

// Workers stopped in the middle of their calls (and their Agents collected with their
// environments) leave the module working for everyone else.
test('workers terminated while calling leave the module answering', async () => {
  const endless = `
    const { parentPort, workerData } = require('node:worker_threads');
    const { Agent } = require(workerData.modulePath);
    const { available, answerOf } = require(workerData.workloadPath);
    const { cases } = available(Agent);
    const agent = new Agent();
    parentPort.postMessage('running');
    for (let i = 0; ; i++) answerOf(Agent, agent, cases[i % cases.length]);
  `;
  const agent = new Agent();
  const before = cases.map((c) => answerOf(Agent, agent, c));
  for (let round = 0; round < 3; round++) {
    const workers = Array.from({ length: WORKERS }, () => new Worker(endless, {
      eval: true, workerData: { modulePath, workloadPath },
    }));
    await Promise.all(workers.map((w) => new Promise((resolve) => w.once('message', resolve))));
    await Promise.all(workers.map((w, i) => new Promise((resolve) => setTimeout(resolve, 5 * i))
      .then(() => w.terminate())));
  }
  assert.deepStrictEqual(cases.map((c) => answerOf(Agent, agent, c)), before);
});

for (const method of missing) {
  test(`${method} under ${WORKERS} workers`, { skip: `${method} is not in this build of the module` }, () => {});
}
