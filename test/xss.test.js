'use strict';
// The response-body scanner methods of Agent: whole bodies, chunked scans and their
// state buffers, and the script-or-iframe test of user inputs.
const test = require('node:test');
const assert = require('node:assert');
const http = require('node:http');
const { Agent } = require('..');

const agent = new Agent();
const TEXT_KIND_MESSAGE = 'data must be a string, String object or Buffer with utf8 encoding';

const bytes = (arrayBuffer) => [...new Uint8Array(arrayBuffer)];
const arrayBuffer = (list) => new Uint8Array(list).buffer;

// Scans `chunks` with one state object; the first finding, or null.
function scanChunks(inputs, chunks) {
  const state = agent.makeXssState(inputs);
  for (const chunk of chunks) {
    const finding = agent.isXssInChunkedBody(chunk, state);
    if (finding !== null) return finding;
  }
  return null;
}

test('makeXssState keeps the inputs that hold one of eleven bytes', () => {
  const made = agent.makeXssState(['hello', '<b>', "x'y"]);
  assert.deepStrictEqual(Object.keys(made), ['state', 'inputs']);
  assert.ok(made.state instanceof ArrayBuffer && made.inputs instanceof ArrayBuffer);
  assert.deepStrictEqual(bytes(made.state), [0x00, 0x00]);
  assert.deepStrictEqual(bytes(made.inputs), [0x02, 0x03, 0x3c, 0x62, 0x3e, 0x00, 0x03, 0x78, 0x27, 0x79, 0x00]);
  assert.deepStrictEqual(bytes(agent.makeXssState([]).inputs), [0x00]);

  const tracked = ['"', "'", '(', '/', ':', ';', '<', '=', '>', '_', '`'];
  const untracked = ['a', ' ', '&', '\\', '-', '.', ')', '[', '{', '%', 'é', '\u007f', ''];
  for (const c of tracked) assert.strictEqual(bytes(agent.makeXssState([`a${c}`]).inputs)[0], 1, JSON.stringify(c));
  for (const c of untracked) assert.strictEqual(bytes(agent.makeXssState([`a${c}`]).inputs)[0], 0, JSON.stringify(c));
  // An input ends at its first U+0000, before the filter looks at it.
  assert.deepStrictEqual(bytes(agent.makeXssState(['ab\u0000<']).inputs), [0x00]);
  assert.deepStrictEqual(bytes(agent.makeXssState(['<\u0000b']).inputs), [0x01, 0x01, 0x3c, 0x00]);
});

test('input lists: argument count, array and element errors', () => {
  const listCalls = {
    makeXssState: (v) => agent.makeXssState(v),
    isXssInWholeBody: (v) => agent.isXssInWholeBody('<script>x</script>', v),
    isXssScriptOrIframeInUserInput: (v) => agent.isXssScriptOrIframeInUserInput(v),
  };
  const cases = [
    ['x', 'saved inputs must be array of strings'],
    [{ length: 1, 0: '<' }, 'saved inputs must be array of strings'],
    [null, 'saved inputs must be array of strings'],
    [[1], 'expect String, got: Number'],
    [['<', new String('<')], 'expect String, got: Object'],
    // A hole reads as undefined.
    [[, '<'], 'expect String, got: Undefined'], // eslint-disable-line no-sparse-arrays
  ];
  for (const [name, call] of Object.entries(listCalls)) {
    for (const [value, message] of cases) {
      assert.throws(() => call(value), { code: 'InvalidArg', message }, `${name} ${String(value)}`);
    }
  }
  const counts = [
    [() => agent.makeXssState(), 'signature: string[]'],
    [() => agent.makeXssState([], []), 'signature: string[]'],
    [() => agent.isXssInWholeBody('body'), 'required arguments: string[], string, <EvalState>'],
    [() => agent.isXssInChunkedBody('chunk'), 'required arguments: body, state'],
    [() => agent.isXssScriptOrIframeInUserInput(), 'required argument: String[]'],
  ];
  for (const [call, message] of counts) assert.throws(call, { code: 'InvalidArg', message }, message);
});

test('isXssInWholeBody finds a reflected input in a watched place', () => {
  const cases = [
    ['<script>alert(1)</script>', ['alert(1)'], { source: 'alert(1)', matchByteIndex: 8, matchByteLength: 8 }],
    ["<iframe src='x' onload='y'>", ['hello', "x' onload='y"], { source: "x' onload='y", matchByteIndex: 13, matchByteLength: 12 }],
    // Byte positions: 'é' before the script is two bytes.
    ['é<script>a=(1)</script>', ['a=(1)'], { source: 'a=(1)', matchByteIndex: 10, matchByteLength: 5 }],
    ['<div>alert(1)</div>', ['alert(1)'], null],
    ['<script>aaab', ['aab('], null],
    // An occurrence that overlaps the text before it.
    ['<script>foo(((1),alert(1)))//', ['((1),alert(1)))//'], { source: '((1),alert(1)))//', matchByteIndex: 12, matchByteLength: 17 }],
    // The body is read as bytes: U+0000 ends a string, a Buffer is read whole and unchecked.
    ['<script>\u0000alert(1)', ['alert(1)'], null],
    [Buffer.from('<script>\u0000alert(1)'), ['alert(1)'], { source: 'alert(1)', matchByteIndex: 9, matchByteLength: 8 }],
    [Buffer.from([0xff, 0x3c, 0x73, 0x63, 0x72, 0x69, 0x70, 0x74, 0x3e, 0x28, 0x29]), ['()'], { source: '()', matchByteIndex: 9, matchByteLength: 2 }],
    [new String('<script>alert(1)'), ['alert(1)'], { source: 'alert(1)', matchByteIndex: 8, matchByteLength: 8 }],
  ];
  for (const [body, inputs, expected] of cases) {
    const finding = agent.isXssInWholeBody(body, inputs);
    assert.deepStrictEqual(finding, expected, String(body));
    if (finding) assert.deepStrictEqual(Object.keys(finding), ['source', 'matchByteIndex', 'matchByteLength']);
  }
  // With nothing tracked the body is never read, whatever it is.
  assert.strictEqual(agent.isXssInWholeBody(42, ['hello']), null);
  assert.throws(() => agent.isXssInWholeBody(42, ['<']), { code: 'InvalidArg', message: TEXT_KIND_MESSAGE });
});

test('a chunked scan carries its state in new buffers and stops at the finding', () => {
  const state = agent.makeXssState(['alert(1)']);
  assert.strictEqual(agent.isXssInChunkedBody('<scr', state), null);
  assert.deepStrictEqual(bytes(state.state), [0x05, 0x73, 0x63, 0x72, 0x69, 0x70, 0x74, 0x03, 0x04]);
  assert.strictEqual(agent.isXssInChunkedBody('ipt>ale', state), null);
  const before = { state: state.state, inputs: state.inputs };
  assert.deepStrictEqual(bytes(state.inputs), [0x01, 0x08, ...Buffer.from('alert(1)'), 0x03]);
  assert.deepStrictEqual(agent.isXssInChunkedBody('rt(1)</script>', state),
    { source: 'alert(1)', matchByteIndex: 8, matchByteLength: 8 });
  // The finding leaves the buffers of the chunk before.
  assert.strictEqual(state.state, before.state);
  assert.strictEqual(state.inputs, before.inputs);

  // An empty chunk changes nothing but is still stored anew.
  const empty = agent.makeXssState(['<x>']);
  assert.strictEqual(agent.isXssInChunkedBody('', empty), null);
  assert.deepStrictEqual(bytes(empty.state), [0x00, 0x00]);

  // Nothing tracked: null, the chunk is not read and the object keeps its buffers.
  const untracked = agent.makeXssState(['hello']);
  const kept = untracked.state;
  assert.strictEqual(agent.isXssInChunkedBody(42, untracked), null);
  assert.strictEqual(untracked.state, kept);
});

test('every split of a body finds what the whole body finds', () => {
  const cases = [
    ['<p>x</p><iframe src=\'x\' onload=\'y\'>', ["x' onload='y"]],
    ['<b title="alert(1)"></b><SCRIPT>var a = "é"; alert(1)</SCRIPT>', ['alert(1)', 'a = "é"']],
    ['<script>x</SCRIPT><b>alert(1)', ['alert(1)']],
    ['<script src=a></script><div>alert(1)</div>', ['alert(1)']],
    ['<script>a<<<svg/onload=alert(1)></script>', ['<<svg/onload=alert(1)>', 'a<<x']],
  ];
  for (const [html, inputs] of cases) {
    const body = Buffer.from(html);
    const whole = agent.isXssInWholeBody(body, inputs);
    for (let cut = 0; cut <= body.length; cut++) {
      // Buffer chunks may end inside a UTF-8 sequence.
      const found = scanChunks(inputs, [body.subarray(0, cut), body.subarray(cut)]);
      assert.deepStrictEqual(found, whole, `${html} cut at ${cut}`);
    }
    const byteByByte = [...body].map((b) => Buffer.from([b]));
    assert.deepStrictEqual(scanChunks(inputs, byteByByte), whole, `${html} byte by byte`);
  }
});

test('a chunked scan of a response read from a local HTTP server', async () => {
  const input = '";alert(document.cookie)//';
  const pieces = [
    '<!doctype html><html><head><title>Ünïcødé</title>\n',
    '<script>var q = "',
    input.slice(0, 7),
    `${input.slice(7)}";</script></head>\n`,
    '<body>done</body></html>\n',
  ];
  const server = http.createServer(async (req, res) => {
    res.writeHead(200, { 'content-type': 'text/html; charset=utf-8' });
    for (const piece of pieces) {
      res.write(piece);
      await new Promise((resolve) => setTimeout(resolve, 5));
    }
    res.end();
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  try {
    const { port } = server.address();
    const result = await new Promise((resolve, reject) => {
      http.get({ host: '127.0.0.1', port, path: '/' }, (res) => {
        const state = agent.makeXssState(['hello', input]);
        const received = [];
        let finding = null;
        res.on('data', (chunk) => {
          received.push(chunk);
          if (finding === null) finding = agent.isXssInChunkedBody(chunk, state);
        });
        res.on('end', () => resolve({ finding, received }));
        res.on('error', reject);
      }).on('error', reject);
    });
    const body = Buffer.concat(result.received);
    assert.ok(result.received.length > 1, 'the body arrived in several chunks');
    assert.deepStrictEqual(result.finding, {
      source: input,
      matchByteIndex: body.indexOf(input),
      matchByteLength: Buffer.byteLength(input),
    });
    assert.notStrictEqual(body.indexOf(input), body.toString().indexOf(input));
  } finally {
    await new Promise((resolve) => server.close(resolve));
  }
});

test('the state object: argument and property errors', () => {
  const good = () => agent.makeXssState(['<b>']);
  const cases = [
    [null, 'InvalidArg', 'state must be an object'],
    [5, 'InvalidArg', 'state must be an object'],
    ['state', 'InvalidArg', 'state must be an object'],
    [() => {}, 'InvalidArg', 'state must be an object'],
    [{}, 'InvalidArg', 'expect Object, got: Undefined'],
    [{ state: 5, inputs: good().inputs }, 'InvalidArg', 'expect Object, got: Number'],
    [{ state: {}, inputs: good().inputs }, 'InvalidArg', ''],
    [{ state: new Uint8Array([0, 0]), inputs: good().inputs }, 'InvalidArg', ''],
    [{ state: good().state }, 'InvalidArg', 'expect Object, got: Undefined'],
    [{ state: good().state, inputs: null }, 'InvalidArg', 'expect Object, got: Null'],
    [{ state: good().state, inputs: [] }, 'InvalidArg', ''],
    [{ state: new ArrayBuffer(0), inputs: good().inputs }, 'GenericFailure', 'failed to deserialize state: UnexpectedEnd { additional: 1 }'],
    [{ state: arrayBuffer([0x0c, 0x00]), inputs: good().inputs }, 'GenericFailure',
      'failed to deserialize state: UnexpectedVariant { type_name: "ParseState", allowed: Range { min: 0, max: 11 }, found: 12 }'],
    [{ state: arrayBuffer([0x05, 0x73, 0x63, 0x72]), inputs: good().inputs }, 'GenericFailure', 'failed to deserialize state: UnexpectedEnd { additional: 3 }'],
    [{ state: good().state, inputs: arrayBuffer([0x01, 0x03, 0x61, 0x62]) }, 'GenericFailure', 'failed to deserialize inputs: UnexpectedEnd { additional: 1 }'],
    // The state is decoded first.
    [{ state: new ArrayBuffer(0), inputs: new ArrayBuffer(0) }, 'GenericFailure', 'failed to deserialize state: UnexpectedEnd { additional: 1 }'],
  ];
  for (const [holder, code, message] of cases) {
    assert.throws(() => agent.isXssInChunkedBody('<script>', holder), { code, message }, String(Object.keys(holder ?? {})));
  }
  assert.throws(() => agent.isXssInChunkedBody(42, good()), { code: 'InvalidArg', message: TEXT_KIND_MESSAGE });
  // Getters run once each, state first; storing the new buffers reads nothing back.
  const order = [];
  const made = good();
  const holder = {
    get state() { order.push('state'); return made.state; },
    set state(value) { made.state = value; },
    get inputs() { order.push('inputs'); return made.inputs; },
    set inputs(value) { made.inputs = value; },
  };
  assert.strictEqual(agent.isXssInChunkedBody('<', holder), null);
  assert.deepStrictEqual(order, ['state', 'inputs']);
});

// A small deterministic generator, so that a failing case can be reproduced.
function prng(seed) {
  let x = seed >>> 0;
  return () => {
    x ^= x << 13; x >>>= 0;
    x ^= x >>> 17;
    x ^= x << 5; x >>>= 0;
    return x;
  };
}

// Chunked scans interleaved as a server interleaves its responses: many input lists (long
// ones, the same values in another order, a list swapped for another between chunks), and
// chunks scanned again from the buffers before them. Each scan answers what the whole body
// answers and leaves the buffers that the same chunks scanned alone leave.
test('interleaved chunked scans answer as scans run alone', () => {
  const next = prng(0x1a7e);
  const text = (length) => Array.from({ length }, () => 'ab(<'[next() % 4]).join('');
  const lists = [];
  for (let k = 0; k < 12; k++) {
    const values = Array.from({ length: 1 + next() % (k % 4 === 0 ? 300 : 5) }, () => `${text(1 + next() % 6)}(`);
    lists.push(values, [...values].reverse());
  }
  const alone = (inputs, chunks) => {
    const holder = agent.makeXssState(inputs);
    for (const chunk of chunks) {
      const finding = agent.isXssInChunkedBody(chunk, holder);
      if (finding !== null) return { finding };
    }
    return { finding: null, state: bytes(holder.state), inputs: bytes(holder.inputs) };
  };
  const start = () => {
    const body = `<script>${text(next() % 400)}`;
    const chunks = [];
    for (let pos = 0; pos < body.length;) {
      const length = 1 + next() % 64;
      chunks.push(body.slice(pos, pos + length));
      pos += length;
    }
    const scan = { inputs: lists[next() % lists.length], chunks, done: 0, finding: null };
    scan.holder = agent.makeXssState(scan.inputs);
    // A list swapped between chunks: the rest is scanned with the other list from its start.
    if (next() % 4 === 0) scan.swap = { at: next() % chunks.length, inputs: lists[next() % lists.length] };
    return scan;
  };
  const finish = (scan) => {
    const { swap, done } = scan;
    const swapped = swap && done > swap.at;
    const expected = swapped ? alone(swap.inputs, scan.chunks.slice(swap.at, done))
      : alone(scan.inputs, scan.chunks.slice(0, done));
    assert.deepStrictEqual(scan.finding, expected.finding);
    if (!swapped) {
      assert.deepStrictEqual(scan.finding, agent.isXssInWholeBody(scan.chunks.slice(0, done).join(''), scan.inputs));
    }
    if (expected.finding === null) {
      assert.deepStrictEqual([bytes(scan.holder.state), bytes(scan.holder.inputs)], [expected.state, expected.inputs]);
    }
  };
  const scans = Array.from({ length: 10 }, start);
  for (let step = 0; step < 3000; step++) {
    const k = next() % scans.length;
    const scan = scans[k];
    if (scan.swap && scan.done === scan.swap.at) scan.holder = agent.makeXssState(scan.swap.inputs);
    const chunk = scan.chunks[scan.done];
    if (next() % 8 === 0) {
      // The same chunk from the same buffers, in another object, first.
      const copy = { state: scan.holder.state, inputs: scan.holder.inputs };
      const finding = agent.isXssInChunkedBody(chunk, copy);
      scan.finding = agent.isXssInChunkedBody(chunk, scan.holder);
      assert.deepStrictEqual(finding, scan.finding);
      assert.deepStrictEqual([bytes(copy.state), bytes(copy.inputs)], [bytes(scan.holder.state), bytes(scan.holder.inputs)]);
    } else {
      scan.finding = agent.isXssInChunkedBody(chunk, scan.holder);
    }
    scan.done++;
    if (scan.finding !== null || scan.done === scan.chunks.length) {
      finish(scan);
      scans[k] = start();
    }
  }
});

test('undecodable buffers fail with a description, never a crash or a large allocation', () => {
  const valid = agent.makeXssState(['<b>', "x'y", 'alert(1)']);
  agent.isXssInChunkedBody('<script src="x', valid);
  const validState = bytes(valid.state);
  const validInputs = bytes(valid.inputs);
  const holders = [];
  // Every truncation of a valid pair.
  for (let n = 0; n < validState.length; n++) holders.push([validState.slice(0, n), validInputs]);
  for (let n = 0; n < validInputs.length; n++) holders.push([validState, validInputs.slice(0, n)]);
  // Announced counts and lengths far beyond the bytes present, in every varint width.
  const huge = [
    [0xfb, 0xff, 0xff], [0xfc, 0xff, 0xff, 0xff, 0xff], [0xfd, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0x7f],
    [0xfd, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff], [0xfe], [0xff],
  ];
  for (const count of huge) {
    holders.push([validState, count]);
    holders.push([validState, [0x01, ...count, 0x61]]);
    holders.push([validState, [0x02, 0x01, 0x3c, 0x00, ...count, 0x3c]]);
    holders.push([[0x04, ...count, 0x00], validInputs]);
    holders.push([[0x00, ...count], validInputs]);
  }
  // Random bytes, alone and after a valid prefix.
  const next = prng(0x5eed);
  for (let i = 0; i < 2000; i++) {
    const length = next() % 24;
    const noise = Array.from({ length }, () => next() & 0xff);
    holders.push(i % 2 ? [noise, validInputs] : [validState, noise]);
    holders.push([validState.slice(0, next() % validState.length), noise]);
  }

  const rssBefore = process.memoryUsage().rss;
  let rejected = 0;
  for (const [state, inputs] of holders) {
    const holder = { state: arrayBuffer(state), inputs: arrayBuffer(inputs) };
    try {
      const finding = agent.isXssInChunkedBody('<script src="x"> alert(1) </script>', holder);
      assert.ok(finding === null || typeof finding.source === 'string');
    } catch (error) {
      assert.strictEqual(error.code, 'GenericFailure', `${state} / ${inputs}: ${error.message}`);
      assert.match(error.message, /^failed to deserialize (state|inputs): \S/, `${state} / ${inputs}`);
      rejected++;
    }
  }
  assert.ok(rejected > holders.length / 2, `${rejected} of ${holders.length} rejected`);
  const grownMiB = (process.memoryUsage().rss - rssBefore) / 2 ** 20;
  assert.ok(grownMiB < 64, `resident memory grew by ${grownMiB.toFixed(1)} MiB`);
});

test('a finding past 4 GiB of body bytes reports its index modulo 2^32', () => {
  // A state that has already consumed 2^32 - 2 bytes, then one that has consumed 2^40.
  const offsets = [
    [[0xfd, 0xfe, 0xff, 0xff, 0xff, 0x00, 0x00, 0x00, 0x00], 6],
    [[0xfd, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00], 8],
  ];
  for (const [offset, expected] of offsets) {
    const holder = { state: arrayBuffer([0x00, ...offset]), inputs: agent.makeXssState(['alert(1)']).inputs };
    assert.deepStrictEqual(agent.isXssInChunkedBody('<script>alert(1)</script>', holder),
      { source: 'alert(1)', matchByteIndex: expected, matchByteLength: 8 });
  }
});

test('user inputs that hold a script element or a script or iframe tag with src', () => {
  const cases = [
    [['<iframe src=a>'], true],
    [['<SCRIPT SRC="a">'], true],
    [['<script>', 'x</script>'], true],
    [['<scr', 'ipt>a</script>'], true],
    [['<b src=a>'], false],
    [['<script>x'], false],
    [['<iframe\u0000 src=a>'], false],
    [['hello', 'world'], false],
    [[], false],
  ];
  for (const [inputs, expected] of cases) {
    assert.strictEqual(agent.isXssScriptOrIframeInUserInput(inputs), expected, JSON.stringify(inputs));
  }
  // The first finding ends the call before later elements are read.
  assert.strictEqual(agent.isXssScriptOrIframeInUserInput(['<iframe src=a>', 5]), true);
  assert.throws(() => agent.isXssScriptOrIframeInUserInput(['<b>', 5]), { code: 'InvalidArg', message: 'expect String, got: Number' });
});

test('a chunked scan fails when the state object cannot store the new buffers', () => {
  const STATE = 'failed to store state: property "state" of the state object cannot be written';
  const INPUTS = 'failed to store state: property "inputs" of the state object cannot be written';
  const made = () => agent.makeXssState(['alert(1)']);
  const nonWritable = (name) => {
    const holder = made();
    Object.defineProperty(holder, name, { writable: false });
    return holder;
  };
  const accessors = (set) => {
    const kept = made();
    return {
      get state() { return kept.state; }, set state(value) { set('state', value, kept); },
      get inputs() { return kept.inputs; }, set inputs(value) { set('inputs', value, kept); },
    };
  };
  const cases = [
    ['frozen', () => Object.freeze(made()), STATE],
    ['non-writable state', () => nonWritable('state'), STATE],
    ['non-writable inputs', () => nonWritable('inputs'), INPUTS],
    ['frozen prototype', () => Object.create(Object.freeze(made())), STATE],
    ['getters only', () => {
      const kept = made();
      return { get state() { return kept.state; }, get inputs() { return kept.inputs; } };
    }, STATE],
    ['throwing setter', () => accessors(() => { throw new Error('no'); }), STATE],
    ['setter refusing inputs', () => accessors((name, value, kept) => {
      if (name === 'inputs') throw new RangeError('no');
      kept[name] = value;
    }), INPUTS],
    ['Proxy whose set returns false', () => new Proxy(made(), { set: () => false }), STATE],
    ['Proxy whose set throws', () => new Proxy(made(), { set: () => { throw new Error('no'); } }), STATE],
    ['Proxy refusing inputs', () => new Proxy(made(), {
      set: (target, name, value) => name !== 'inputs' && Reflect.set(target, name, value),
    }), INPUTS],
  ];
  for (const [name, makeHolder, message] of cases) {
    const holder = makeHolder();
    assert.throws(() => agent.isXssInChunkedBody('<script>ale', holder),
      (error) => error instanceof Error && error.code === 'GenericFailure' && error.message === message,
      name);
  }
  // A state stored before the inputs were refused stays stored.
  const holder = nonWritable('inputs');
  const before = holder.inputs;
  assert.throws(() => agent.isXssInChunkedBody('<script>ale', holder), { message: INPUTS });
  const plain = agent.makeXssState(['alert(1)']);
  agent.isXssInChunkedBody('<script>ale', plain);
  assert.deepStrictEqual(bytes(holder.state), bytes(plain.state));
  assert.notDeepStrictEqual(bytes(holder.state), [0x00, 0x00]);
  assert.strictEqual(holder.inputs, before);
});

test('every state object that stores the buffers carries a split injection to its finding', () => {
  const made = () => agent.makeXssState(['alert(1)']);
  const cases = [
    ['plain', made],
    ['sealed', () => Object.seal(made())],
    ['prototype with the buffers', () => Object.create(made())],
    ['Proxy with default traps', () => new Proxy(made(), {})],
    ['accessors', () => {
      const kept = made();
      return {
        get state() { return kept.state; }, set state(value) { kept.state = value; },
        get inputs() { return kept.inputs; }, set inputs(value) { kept.inputs = value; },
      };
    }],
    ['class instance', () => new (class { constructor() { Object.assign(this, made()); } })()],
  ];
  for (const [name, makeHolder] of cases) {
    const holder = makeHolder();
    assert.strictEqual(agent.isXssInChunkedBody('<script>ale', holder), null, name);
    assert.deepStrictEqual(agent.isXssInChunkedBody('rt(1)</script>', holder),
      { source: 'alert(1)', matchByteIndex: 8, matchByteLength: 8 }, name);
  }
});
