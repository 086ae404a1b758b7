'use strict';
// Response-body scans with many tracked inputs, from JavaScript, as a caller makes them: a
// 1 MiB page that is nearly all script content, scanned whole (isXssInWholeBody) and in 64 KB
// chunks (makeXssState, then isXssInChunkedBody per chunk with the byte form carried in the
// state object), with five and with 10,000 inputs that start with 8 bytes of the script text
// and end in bytes the page never holds. Each 10,000-input case is timed in turn with its
// five-input counterpart. Run: node bench/xss_inputs.js
const { Agent } = require('..');
const { pairedMedians } = require('./support/timing');

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
const scriptLike = (count) => Array.from({ length: count },
  (_, i) => `${SCRIPT.substr((i * 7) % (SCRIPT.length - 8), 8)}~${i};`);

function main() {
  const body = scriptPage();
  const chunks = [];
  for (let pos = 0; pos < body.length; pos += CHUNK_SIZE) chunks.push(body.slice(pos, pos + CHUNK_SIZE));
  const few = scriptLike(5);
  const many = scriptLike(10000);

  const whole = (inputs) => () => {
    if (agent.isXssInWholeBody(body, inputs) !== null) throw new Error('unexpected finding');
  };
  const chunked = (inputs) => () => {
    const holder = agent.makeXssState(inputs);
    for (const chunk of chunks) {
      if (agent.isXssInChunkedBody(chunk, holder) !== null) throw new Error('unexpected finding');
    }
  };
  // The chunks alone: every scan starts from the buffers of one makeXssState call.
  const chunksOnly = (inputs) => {
    const made = agent.makeXssState(inputs);
    return () => {
      const holder = { state: made.state, inputs: made.inputs };
      for (const chunk of chunks) {
        if (agent.isXssInChunkedBody(chunk, holder) !== null) throw new Error('unexpected finding');
      }
    };
  };
  const rows = [
    ['whole body, isXssInWholeBody', whole],
    ['64 KB chunks, makeXssState and isXssInChunkedBody', chunked],
    ['64 KB chunks, isXssInChunkedBody only', chunksOnly],
  ];
  console.log(`node ${process.version}, 1 MiB script page, medians of 15 paired samples`);
  for (const [name, make] of rows) {
    const [fewNs, manyNs] = pairedMedians(make(few), make(many), 3);
    console.log(`${name}: five script-like ${(fewNs / 1e6).toFixed(2)} ms, ` +
      `10,000 script-like ${(manyNs / 1e6).toFixed(2)} ms, ${(manyNs / fewNs).toFixed(2)}x`);
  }
}

main();
