'use strict';
// Buffer and ArrayBuffer bytes are borrowed from JavaScript for the length of a call. Wherever
// JavaScript can run during the call (a getter, a setter on a prototype, a String object's
// toString), it may detach those bytes; the call must then answer as if it had read them once.
//
// Each scenario runs twice: here, where nothing is detached, for the expected answer, and in a
// child process where the JavaScript that runs mid-call detaches the bytes and collects them,
// with large allocations returned to the system at once, so that a read of the freed memory
// crashes the child instead of passing unseen.
const test = require('node:test');
const assert = require('node:assert');
const { spawnSync } = require('node:child_process');

// (agent, spoil) => answer for each scenario; `spoil(bytes)` is what runs mid-call. Kept as
// source text so that the child evaluates the very same code.
const SCENARIOS = String.raw`({
  // Setting the elements of a path array runs a setter that Array.prototype holds.
  findMongoComparators(agent, spoil) {
    const body = padded('{"key":{"$gt":1},"other":{"$lt":[{"$ne":2}]}}');
    return withArraySetter(() => spoil(body), () => agent.findMongoComparators(body));
  },
  // A path of 1,200 keys is stored as an array before the paths after it are read.
  findMongoComparatorsLongPath(agent, spoil) {
    const deep = '{"k":'.repeat(1200) + '{"$gt":1}' + '}'.repeat(1200);
    const body = padded('{"key":' + deep + ',"other":{"$lt":[{"$ne":2}]}}');
    return withArraySetter(() => spoil(body), () => agent.findMongoComparators(body));
  },
  // The same for the results of a JSON body, whose paths and values come from the body: a
  // path of 1,200 keys is stored as an array before the results after it are read.
  scoreRequestBody(agent, spoil) {
    const deep = '{"k":'.repeat(1200) + '{"$gt":"__proto__"}' + '}'.repeat(1200);
    const body = padded('{"key":' + deep + ',"other":{"$lt":[{"$ne":2}]},"__proto__":"x"}');
    return withArraySetter(() => spoil(body), () => agent.scoreRequestBody(32 | 512, body));
  },
  // A Buffer name, then JavaScript run by the String object value's toString or by the options.
  scoreHeaderName(agent, spoil) {
    const sqli = "' or 1=1-- ";
    const name = padded('Referer').subarray(0, 7);
    const value = new String(sqli);
    value.toString = () => { spoil(name); return sqli; };
    const other = padded('Referer').subarray(0, 7);
    const options = { get preferWorthWatching() { spoil(other); return false; } };
    return [agent.scoreHeader(8, name, value), agent.scoreHeader(8, other, sqli, options)];
  },
  // The inputs getter runs after the state bytes were taken.
  isXssInChunkedBody(agent, spoil) {
    const made = agent.makeXssState(['alert(1)']);
    const state = { state: made.state, saved: made.inputs,
      get inputs() { spoil(this.state); return this.saved; }, set inputs(value) { this.saved = value; } };
    return ['<scr', 'ipt>ale', 'rt(1)</script>'].map((chunk) => agent.isXssInChunkedBody(chunk, state));
  },
})`;

const PRELUDE = String.raw`
  // A Buffer of 'text' followed by 1 MiB of spaces.
  const padded = (text) => {
    const bytes = Buffer.alloc(Buffer.byteLength(text) + (1 << 20), ' ');
    bytes.write(text);
    return bytes;
  };
  // Runs 'call' with a setter on Array.prototype[0] that calls 'hook' once and then stores
  // the element as an own property.
  const withArraySetter = (hook, call) => {
    let fired = false;
    Object.defineProperty(Array.prototype, '0', { configurable: true, set(value) {
      if (!fired) { fired = true; hook(); }
      Object.defineProperty(this, '0', { value, writable: true, enumerable: true, configurable: true });
    } });
    try { return call(); } finally { delete Array.prototype[0]; }
  };
`;

// Detaches the memory behind a Buffer or an ArrayBuffer and frees it.
const DETACH = String.raw`(bytes) => {
  const memory = bytes instanceof ArrayBuffer ? bytes : bytes.buffer;
  structuredClone(memory, { transfer: [memory] });
  gc();
}`;

test('JavaScript that detaches borrowed bytes mid-call does not change the answer', () => {
  const { Agent } = require('..');
  const agent = new Agent();
  const make = new Function(`${PRELUDE} return ${SCENARIOS};`);
  const expected = {};
  for (const [name, run] of Object.entries(make())) {
    expected[name] = run(agent, () => {});
  }

  const script = `
    const { Agent } = require(${JSON.stringify(require.resolve('..'))});
    ${PRELUDE}
    const agent = new Agent();
    const answers = {};
    for (const [name, run] of Object.entries(${SCENARIOS})) answers[name] = run(agent, ${DETACH});
    process.stdout.write(JSON.stringify(answers));
  `;
  const child = spawnSync(process.execPath, ['--expose-gc', '-e', script],
    { env: { ...process.env, MALLOC_MMAP_THRESHOLD_: '131072' }, encoding: 'utf8' });
  assert.deepStrictEqual([child.status, child.signal, child.stderr], [0, null, '']);
  assert.deepStrictEqual(JSON.parse(child.stdout), JSON.parse(JSON.stringify(expected)));
});
