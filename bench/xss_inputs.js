'use strict';
// Response-body scans with many tracked inputs, from JavaScript, as a caller makes them: a
// 1 MiB page that is nearly all script content, scanned whole (isXssInWholeBody) and in 64 KB
// chunks (makeXssState, then isXssInChunkedBody per chunk with the byte form carried in the
// state object), with five and with 10,000 inputs that start with 8 bytes of the script text
// and end in bytes the page never holds (16 such lists, each scan with the next), each
// 10,000-input case beside its five-input counterpart in the same run.
// Run: node bench/xss_inputs.js
const { Agent } = require('..');
const { medianPerCall } = require('./support/timing');

const agent = new Agent();
const BODY_SIZE = 1 << 20;
const CHUNK_SIZE = 64 * 1024;

const SCRIPT =
  "  var items = document.querySelectorAll('.item'); for (let i = 0; i < items.length; i++) {" +
  ' items[i].addEventListener("click", function (e) { console.log(\'clicked\', i); }); }\n' +
  '  const config = {"apiUrl": "/api/v1/orders", "retries": 3, "timeout": 5000};\n' +
  "  if (window.location.hash === '#debug') { config.verbose = true; }\n";

function scriptPage() {
  let body = '<html><head><script>\n';
  while (body.length < BODY_SIZE - 32) body += SCRIPT;
  return body.slice(0, BODY_SIZE - 32) + '</script></head></html>';
}

// Tracked values (each holds ";") that start like the script text and go on with "~".
// `list` makes the values of each list its own.
const scriptLike = (count, list = 0) => Array.from({ length: count },
  (_, i) => `${SCRIPT.substr((i * 7) % (SCRIPT.length - 8), 8)}~${i}.${list};`);

// Lists that take turns, more than the module keeps between chunks, so that each scan
// starts with a list it has not seen recently, as a new response does.
const LISTS = 16;
function turns(count) {
  const lists = Array.from({ length: LISTS }, (_, k) => scriptLike(count, k));
  let next = 0;
  return () => lists[next++ % LISTS];
}

function main() {
  const body = scriptPage();
  const chunks = [];
  for (let pos = 0; pos < body.length; pos += CHUNK_SIZE) chunks.push(body.slice(pos, pos + CHUNK_SIZE));
  const few = turns(5);
  const many = turns(10000);

  const whole = (inputs) => () => {
    if (agent.isXssInWholeBody(body, inputs()) !== null) throw new Error('unexpected finding');
  };
  const chunked = (inputs) => () => {
    const holder = agent.makeXssState(inputs());
    for (const chunk of chunks) {
      if (agent.isXssInChunkedBody(chunk, holder) !== null) throw new Error('unexpected finding');
    }
  };
  // The chunks alone: each scan starts from the buffers of one makeXssState call per list.
  const chunksOnly = (inputs) => {
    const made = Array.from({ length: LISTS }, () => agent.makeXssState(inputs()));
    let next = 0;
    return () => {
      const { state, inputs: tracked } = made[next++ % LISTS];
      const holder = { state, inputs: tracked };
      for (const chunk of chunks) {
        if (agent.isXssInChunkedBody(chunk, holder) !== null) throw new Error('unexpected finding');
      }
    };
  };
  // What reading the list costs: makeXssState alone.
  const makeOnly = (inputs) => () => agent.makeXssState(inputs());
  const rows = [
    ['makeXssState alone', makeOnly],
    ['whole body, isXssInWholeBody', whole],
    ['64 KB chunks, makeXssState and isXssInChunkedBody', chunked],
    ['64 KB chunks, isXssInChunkedBody only', chunksOnly],
  ];
  // The two sides are not timed in turn: the module keeps recent lists per thread, and a
  // five-input scan right after a 10,000-input one would pay for dropping the larger list.
  // Each side is timed on its own after a warm-up that replaces every kept list, twice in
  // the order five, 10,000, five, 10,000; a figure is the mean of its two medians.
  const side = (fn) => {
    for (let i = 0; i < 2 * LISTS; i++) fn();
    return medianPerCall(fn, 3, 15);
  };
  console.log(`node ${process.version}, 1 MiB script page, medians of 15 samples of 3 calls`);
  for (const [name, make] of rows) {
    const fewFn = make(few);
    const manyFn = make(many);
    const times = [side(fewFn), side(manyFn), side(fewFn), side(manyFn)];
    const fewNs = (times[0] + times[2]) / 2;
    const manyNs = (times[1] + times[3]) / 2;
    console.log(`${name}: five script-like ${(fewNs / 1e6).toFixed(2)} ms, ` +
      `10,000 script-like ${(manyNs / 1e6).toFixed(2)} ms, ${(manyNs / fewNs).toFixed(2)}x`);
  }
}

main();
