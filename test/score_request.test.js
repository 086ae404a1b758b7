'use strict';
// scoreRequestConnect and scoreRequestBody: argument reading, errors and the response objects.
const test = require('node:test');
const assert = require('node:assert');
const { inspect } = require('node:util');
const { Agent, constants } = require('..');

const agent = new Agent();
const { RuleType } = constants;
const ALL = 1023;
const SQLI = "' or 1=1--";
const SQLI_IDS = ['PIDS-SQLI-44A', 'PIDS-SQLI-48H'];
const MONGO_TRUE = "' || '1'=='1";
const TEXT_KIND = 'data must be a string, String object or Buffer with utf8 encoding';
const RESULT_KEYS = ['ruleId', 'inputType', 'path', 'key', 'value', 'score', 'idsList'];

// The call throws an Error with this code and message.
const fails = (fn, code, message, label) => assert.throws(fn, { name: 'Error', code, message }, label);
const connect = (...args) => agent.scoreRequestConnect(...args);
const body = (...args) => agent.scoreRequestBody(...args);

// A result as the response lists it, with the SQL rule's identifiers by default.
function sqli(inputType, path, key, value) {
  return { ruleId: 'sql-injection', inputType, path, key, value, score: 90, idsList: SQLI_IDS };
}

test('the four request-scoring methods open the Agent prototype', () => {
  const names = Object.getOwnPropertyNames(Agent.prototype);
  assert.deepStrictEqual(names.slice(0, 4), ['scoreRequestConnect', 'scoreRequestBody', 'scoreAtom', 'scoreHeader']);
  for (const name of names.slice(0, 4)) {
    const descriptor = Object.getOwnPropertyDescriptor(Agent.prototype, name);
    assert.strictEqual(typeof descriptor.value, 'function', name);
    assert.deepStrictEqual([descriptor.writable, descriptor.enumerable, descriptor.configurable],
      [false, false, false], name);
  }
});

test('scoreRequestConnect argument errors, in the order the call meets them', () => {
  const cases = [
    [[], 'InvalidArg', 'rules and inputs arguments are required'],
    [[ALL], 'InvalidArg', 'rules and inputs arguments are required'],
    [['8', { method: 'GET' }], 'InvalidArg', 'rules must be a number'],
    [[0, { method: 'GET' }], 'InvalidArg', 'invalid rule mask 0'],
    [[-1, undefined], 'InvalidArg', 'invalid rule mask 18446744073709551615'],
    [[ALL, undefined], 'ObjectExpected', ''],
    [[ALL, null], 'ObjectExpected', ''],
    [[ALL, {}], 'InvalidArg', 'no connect data to check'],
    [[ALL, 'queries'], 'InvalidArg', 'no connect data to check'],
    [[ALL, 5], 'InvalidArg', 'no connect data to check'],
    [[ALL, { query: 'a=1', uri: '/' }], 'InvalidArg', 'no connect data to check'],
    [[ALL, { queries: null }], 'InvalidArg', 'queries must be a string or array'],
    [[ALL, { queries: undefined }], 'InvalidArg', 'queries must be a string or array'],
    [[ALL, { queries: 5 }], 'InvalidArg', 'queries must be a string or array'],
    [[ALL, { queries: true }], 'InvalidArg', 'queries must be a string or array'],
    [[ALL, { queries: () => [] }], 'InvalidArg', 'queries must be a string or array'],
    [[ALL, { queries: {} }], 'InvalidArg', 'queries must be an array'],
    [[ALL, { queries: new String('a=1') }], 'InvalidArg', 'queries must be an array'],
    [[ALL, { queries: ['a', '1', 'b'] }], 'InvalidArg', 'queries must have an even length, not 3'],
    [[ALL, { queries: ['a', 1] }], 'InvalidArg', 'expect String, got: Number'],
    [[ALL, { headers: undefined }], 'InvalidArg', 'expect Object, got: Undefined'],
    [[ALL, { headers: null }], 'InvalidArg', 'expect Object, got: Null'],
    [[ALL, { headers: 'Host: x' }], 'InvalidArg', 'expect Object, got: String'],
    [[ALL, { headers: { Host: 'x' } }], 'InvalidArg', 'headers must be an array'],
    [[ALL, { headers: ['Host'] }], 'InvalidArg', 'headers must have an even length, not 1'],
    [[ALL, { headers: ['Host', null] }], 'InvalidArg', 'expect String, got: Null'],
    [[ALL, { headers: ['Host', new String('x')] }], 'InvalidArg', 'expect String, got: Object'],
    [[ALL, { cookies: new Map() }], 'InvalidArg', 'cookies must be an array'],
    [[ALL, { cookies: [undefined, 'v'] }], 'InvalidArg', 'expect String, got: Undefined'],
    [[ALL, { cookies: ['a', 'b', 'c', 'd', 'e'] }], 'InvalidArg', 'cookies must have an even length, not 5'],
    [[ALL, { cookies: new Array(4294967295) }], 'InvalidArg', 'cookies must have an even length, not 4294967295'],
    // A sparse array claiming the largest even length fails at its first hole, not for memory.
    [[ALL, { headers: new Array(4294967294) }], 'InvalidArg', 'expect String, got: Undefined'],
    [[ALL, { headers: Object.assign(new Array(4294967294), ['Host', 'x']) }], 'InvalidArg',
      'expect String, got: Undefined'],
    [[ALL, { uriPath: undefined }], 'InvalidArg', 'expect String, got: Undefined'],
    [[ALL, { uriPath: ['/'] }], 'InvalidArg', 'expect String, got: Object'],
    [[ALL, { method: 5 }], 'InvalidArg', 'expect String, got: Number'],
    [[ALL, { method: Buffer.from('GET') }], 'InvalidArg', 'expect String, got: Object'],
    // Properties are read in the order queries, headers, cookies, uriPath, method.
    [[ALL, { method: 5, queries: null }], 'InvalidArg', 'queries must be a string or array'],
    [[ALL, { uriPath: 5, cookies: 5 }], 'InvalidArg', 'expect Object, got: Number'],
    // The inputs are read before the options.
    [[ALL, { method: 5 }, null], 'InvalidArg', 'expect String, got: Number'],
    [[ALL, {}, null], 'InvalidArg', 'no connect data to check'],
    [[ALL, { method: 'GET' }, null], 'ObjectExpected', ''],
    [[ALL, { method: 'GET' }, undefined], 'ObjectExpected', ''],
  ];
  for (const [args, code, message] of cases) {
    fails(() => connect(...args), code, message, inspect(args));
  }
});

test('a property counts as present when the has-test sees it, inherited ones too', () => {
  const inherited = Object.create({ method: 'FOO' });
  assert.strictEqual(connect(ALL, inherited).resultsList[0].value, 'FOO');
  // An empty pair list is present and holds nothing.
  assert.deepStrictEqual(connect(ALL, { headers: [] }), { trackRequest: false });
  assert.deepStrictEqual(connect(ALL, { queries: '' }), { trackRequest: false });
  assert.deepStrictEqual(connect(ALL, { queries: [] }), { trackRequest: false });
});

test('query pairs: names as ParameterKey, values as ParameterValue, keyed by the pair name', () => {
  const key = "' union select 1,2";
  const expected = {
    trackRequest: true,
    resultsList: [
      { ruleId: 'sql-injection', inputType: 'ParameterKey', path: [key], key, value: key, score: 90,
        idsList: ['SQLI-UNION-SELECT'] },
      sqli('ParameterValue', ['b'], 'b', SQLI),
    ],
  };
  const asString = connect(8, { queries: `${encodeURIComponent(key)}=1&a=1&b=${encodeURIComponent(SQLI)}` });
  assert.deepStrictEqual(asString, expected);
  assert.deepStrictEqual(Object.keys(asString), ['trackRequest', 'resultsList']);
  assert.deepStrictEqual(Object.keys(asString.resultsList[0]), RESULT_KEYS);
  const asArray = connect(8, { queries: [key, '1', 'a', '1', 'b', SQLI] });
  assert.deepStrictEqual(asArray, expected);
});

test('headers and cookies give their own input types; the URI path has no key', () => {
  const response = connect(8, {
    headers: ['Host', 'example.com', 'X-Custom', SQLI],
    cookies: [SQLI, 'v', 'sid', SQLI],
    uriPath: `/search/${SQLI}`,
  });
  assert.deepStrictEqual(response.resultsList, [
    sqli('HeaderValue', ['X-Custom'], 'X-Custom', SQLI),
    sqli('CookieName', [SQLI], SQLI, SQLI),
    sqli('CookieValue', ['sid'], 'sid', SQLI),
    sqli('UriPath', [], '', `/search/${SQLI}`),
  ]);
});

test('results come in the order queries, headers, cookies, URI path, method', () => {
  const response = connect(8, {
    method: 'FOO',
    uriPath: `/${SQLI}`,
    cookies: ['c', SQLI],
    headers: ['X-H', SQLI],
    queries: `q=${encodeURIComponent(SQLI)}`,
  });
  assert.deepStrictEqual(response.resultsList.map((r) => r.inputType),
    ['ParameterValue', 'HeaderValue', 'CookieValue', 'UriPath', 'Method']);
});

test('the method is tested for tampering whatever the mask selects', () => {
  for (const method of ['GET', 'get', 'Post', 'OPTIONS', 'delete']) {
    assert.deepStrictEqual(connect(ALL, { method }), { trackRequest: false }, method);
  }
  for (const [mask, method] of [[ALL, 'FOO'], [8, 'FOO'], [RuleType['method-tampering'], ''], [1, 'GE T']]) {
    const response = connect(mask, { method });
    assert.deepStrictEqual(response, {
      trackRequest: true,
      resultsList: [{ ruleId: 'method-tampering', inputType: 'Method', path: [], key: '', value: method,
        score: 90, idsList: ['METHOD'] }],
    }, `${mask} ${inspect(method)}`);
  }
});

test('a bad bot in User-Agent is reported with the header name as key', () => {
  const response = connect(ALL, { headers: ['User-Agent', 'Nikto/2.1.6'] });
  assert.deepStrictEqual(response.resultsList, [{ ruleId: 'bot-blocker', inputType: 'HeaderValue',
    path: ['User-Agent'], key: 'User-Agent', value: 'Nikto/2.1.6', score: 90, idsList: ['Nikto'] }]);
});

test('a MongoDB result carries whether its key is an operator, never the text', () => {
  const response = connect(RuleType['nosql-injection-mongo'], { queries: ['q', MONGO_TRUE, '$ne', MONGO_TRUE] });
  assert.deepStrictEqual(response.resultsList.map((r) => [r.key, r.value, r.idsList]),
    [['q', false, ['TRUE-CLAUSE-1']], ['$ne', true, ['TRUE-CLAUSE-1']]]);
  const json = body(RuleType['nosql-injection-mongo'], JSON.stringify({ q: MONGO_TRUE }));
  assert.strictEqual(json.resultsList[0].value, false);
});

test('texts read from the inputs end at their first U+0000', () => {
  const cut = `ok\u0000${SQLI}`;
  const cases = [
    { queries: `a=1\u0000&b=${encodeURIComponent(SQLI)}` },
    { queries: ['a', cut] },
    { headers: ['X-A', cut] },
    { cookies: ['c', cut] },
    { uriPath: `/ok\u0000/${SQLI}` },
    { method: 'GET\u0000FOO' },
  ];
  for (const inputs of cases) {
    assert.deepStrictEqual(connect(ALL, inputs), { trackRequest: false }, inspect(inputs));
  }
  // What is before the NUL is kept.
  assert.strictEqual(connect(ALL, { method: 'FOO\u0000' }).resultsList[0].value, 'FOO');
});

test('long texts and texts of several-byte characters are read whole', () => {
  // Lengths around the size that is read in one step, in characters of 1 to 4 bytes
  // (U+1F600 is a surrogate pair in JavaScript).
  for (const unit of ['a', '\u00e9', '\u20ac', '\u{1F600}']) {
    for (let bytes = 490; bytes <= 530; ++bytes) {
      const method = `FOO${unit.repeat(Math.ceil((bytes - 3) / Buffer.byteLength(unit)))}`;
      const response = connect(8, { method });
      assert.strictEqual(response.resultsList.at(-1).value, method, `${Buffer.byteLength(method)} bytes`);
    }
  }
  const long = `x${'\u20ac'.repeat(100000)}`;
  assert.strictEqual(connect(8, { method: long }).resultsList[0].value, long);
  // An unpaired surrogate is read as U+FFFD.
  assert.strictEqual(connect(8, { method: 'FOO\ud800' }).resultsList[0].value, 'FOO\ufffd');
});

test('preferWorthWatching reaches every evaluation of a request', () => {
  const inputs = { queries: ['q', SQLI], headers: ['X-A', SQLI], cookies: ['c', SQLI], uriPath: `/${SQLI}` };
  const watched = connect(8, inputs, { preferWorthWatching: 1 });
  assert.strictEqual(watched.resultsList.length, 4);
  for (const result of watched.resultsList) {
    assert.deepStrictEqual([result.score, result.idsList], [10, []], result.inputType);
  }
  for (const result of connect(8, inputs, { preferWorthWatching: 0 }).resultsList) {
    assert.strictEqual(result.score, 90, result.inputType);
  }
  const bodyWatched = body(8, JSON.stringify({ q: SQLI }), { preferWorthWatching: 'yes' });
  assert.deepStrictEqual(bodyWatched.resultsList.map((r) => [r.score, r.idsList]), [[10, []]]);
});

test('scoreRequestBody argument errors', () => {
  const cases = [
    [[], 'InvalidArg', 'rules and body arguments are required'],
    [[ALL], 'InvalidArg', 'rules and body arguments are required'],
    [[{}, '{}'], 'InvalidArg', 'rules must be a number'],
    [[1024, '{}'], 'InvalidArg', 'invalid rule mask 1024'],
    [[ALL, undefined], 'InvalidArg', TEXT_KIND],
    [[ALL, 5], 'InvalidArg', TEXT_KIND],
    [[ALL, { a: 1 }], 'InvalidArg', 'object must be a String object or utf8 buffer'],
    [[ALL, Buffer.from([0x7b, 0xff, 0x7d])],
      'InvalidArg', 'buffer must be utf8 encoded: invalid utf-8 sequence of 1 bytes from index 1'],
    [[ALL, Buffer.from([0x7b, 0xf0, 0x9f])],
      'InvalidArg', 'buffer must be utf8 encoded: incomplete utf-8 byte sequence from index 1'],
    [[ALL, '{}', null], 'ObjectExpected', ''],
    [[ALL, '{"a":'], 'GenericFailure', 'final state is not ExpectNothing'],
  ];
  for (const [args, code, message] of cases) {
    fails(() => body(...args), code, message, inspect(args));
  }
});

test('a JSON error quoting a NUL of a Buffer body reaches JavaScript whole', () => {
  // A string body ends at its NUL; a Buffer is read whole and the parser meets the NUL.
  assert.deepStrictEqual(body(ALL, '{"a":1}\u0000trailing'), { bodyType: 'json', trackRequest: false });
  fails(() => body(ALL, Buffer.from('{"a":1}\u0000trailing')), 'GenericFailure',
    'Unexpected token \u0000 in JSON at position 8', 'Buffer');
  // Leading blanks are part of the JSON text that is checked.
  fails(() => body(ALL, Buffer.from('  {"a":1}\u0000')), 'GenericFailure',
    'Unexpected token \u0000 in JSON at position 10', 'leading blanks');
  assert.deepStrictEqual(body(ALL, new String('{"a":1}\u0000trailing')), { bodyType: 'json', trackRequest: false });
});

test('the body is JSON when its first non-blank character opens a JSON text', () => {
  const cases = [
    ['{}', 'json'], ['[]', 'json'], ['"text"', 'json'], ['  {}', 'json'], ['\t\r\n {}', 'json'],
    ['', 'urlencoded'], ['   ', 'urlencoded'], ['\u000b{}', 'urlencoded'], ['\u00a0{}', 'urlencoded'],
    ['\u3000[]', 'urlencoded'], ['x={', 'urlencoded'], ['1', 'urlencoded'], ['null', 'urlencoded'],
    ['a=1&b=2', 'urlencoded'],
  ];
  for (const [text, bodyType] of cases) {
    const response = body(ALL, text);
    assert.deepStrictEqual(response, { bodyType, trackRequest: false }, inspect(text));
    assert.deepStrictEqual(Object.keys(response), ['bodyType', 'trackRequest']);
  }
  // FF counts as a blank here, so the body goes to the JSON parser, which rejects it.
  fails(() => body(ALL, '\f{}'), 'GenericFailure', 'Unexpected token \f in JSON at position 1', 'FF');
});

test('JSON results: keys carry the enclosing object\'s key, values their own', () => {
  const proto = (path, key, value) => ({ ruleId: 'prototype-pollution', inputType: 'JsonKey', path, key, value,
    score: 90, idsList: ['PROTO-POLLUTION-1'] });
  const text = `{"__proto__": 1, "o": {"constructor": {"list": [${JSON.stringify(SQLI)}]}}}`;
  const response = body(RuleType['prototype-pollution'] | RuleType['sql-injection'], text);
  assert.deepStrictEqual(response, {
    bodyType: 'json',
    trackRequest: true,
    resultsList: [
      proto([], '', '__proto__'),
      proto(['o'], 'o', 'constructor'),
      sqli('JsonValue', ['o', 'constructor', 'list'], 'list', SQLI),
    ],
  });
  assert.deepStrictEqual(Object.keys(response.resultsList[0]), RESULT_KEYS);
});

test('a MongoDB operator key in JSON gives a MONGO-KEY result when bit 32 is set', () => {
  const text = JSON.stringify({ user: { $ne: null }, name: 'x' });
  assert.deepStrictEqual(body(RuleType['nosql-injection-mongo'], text).resultsList, [
    { ruleId: 'nosql-injection-mongo', inputType: 'JsonKey', path: ['user', '$ne'], key: '$ne', value: true,
      score: 10, idsList: ['MONGO-KEY'] },
  ]);
  assert.deepStrictEqual(body(ALL & ~RuleType['nosql-injection-mongo'], text), { bodyType: 'json', trackRequest: false });
});

test('URL-encoded bodies are decoded into ParameterKey and ParameterValue results', () => {
  const response = body(8, `a=1&b=${encodeURIComponent(SQLI)}`);
  assert.deepStrictEqual(response, {
    bodyType: 'urlencoded',
    trackRequest: true,
    resultsList: [sqli('ParameterValue', ['b'], 'b', SQLI)],
  });
  assert.deepStrictEqual(Object.keys(response), ['bodyType', 'trackRequest', 'resultsList']);
  // The same body as a Buffer and as a String object.
  assert.deepStrictEqual(body(8, Buffer.from(`a=1&b=${encodeURIComponent(SQLI)}`)), response);
  assert.deepStrictEqual(body(8, new String(`a=1&b=${encodeURIComponent(SQLI)}`)), response);
});

test('worker threads get the same answers as the main thread', async () => {
  const { Worker } = require('node:worker_threads');
  // A request, a JSON body, an input and a header that each give results of several kinds.
  function answersOf(scorer) {
    const sqli = "' or 1=1--";
    return [
      scorer.scoreRequestConnect(1023, { queries: `q=${encodeURIComponent(sqli)}`,
        headers: ['User-Agent', 'Nikto/2.1.6'], cookies: ['c', sqli], uriPath: '/../../etc/passwd', method: 'FOO' }),
      scorer.scoreRequestBody(1023, `{"user": {"$ne": null}, "q": ${JSON.stringify(sqli)}, "__proto__": 1}`),
      scorer.scoreAtom(1023, '; cat /etc/passwd', 9),
      scorer.scoreHeader(1023, 'X-A', sqli, { preferWorthWatching: true }),
    ];
  }
  const script = `
    const { parentPort } = require('node:worker_threads');
    const { Agent } = require(${JSON.stringify(require.resolve('..'))});
    const agent = new Agent();
    ${answersOf.toString()}
    parentPort.postMessage(Array.from({ length: 100 }, () => answersOf(agent)));
  `;
  const runs = await Promise.all(Array.from({ length: 4 }, () => new Promise((resolve, reject) => {
    const worker = new Worker(script, { eval: true });
    worker.once('message', resolve);
    worker.once('error', reject);
  })));
  const expected = answersOf(agent);
  assert.ok(expected.every((answer) => answer !== undefined && answer.trackRequest !== false));
  for (const answers of runs) {
    for (const answer of answers) assert.deepStrictEqual(answer, expected);
  }
});

test('a Buffer argument detached by JavaScript run later in the call is scored as it was read', () => {
  // The options getter detaches the Buffer's memory and collects it before the engine reads
  // the text. Run apart, with large allocations returned to the system at once, so that a read
  // of the freed bytes crashes that process instead of passing unseen.
  const { spawnSync } = require('node:child_process');
  const script = `
    const { Agent } = require(${JSON.stringify(require.resolve('..'))});
    const agent = new Agent();
    const padded = (text) => { const b = Buffer.alloc(text.length + (1 << 20), 'a'); b.write(text); return b; };
    const detaching = (b) => ({ get preferWorthWatching() {
      structuredClone(b.buffer, { transfer: [b.buffer] }); gc(); return false; } });
    const body = padded("q=' or 1=1--&pad="), atom = padded('../../etc/passwd '), value = padded("' or 1=1-- ");
    const answers = [
      agent.scoreRequestBody(8, body, detaching(body)).resultsList.map((r) => [r.key, r.value, r.ruleId]),
      agent.scoreAtom(2, atom, 9, detaching(atom)).map((f) => f.ruleId),
      agent.scoreHeader(8, 'X-A', value, detaching(value)).map((f) => f.ruleId),
    ];
    process.stdout.write(JSON.stringify(answers));
  `;
  const child = spawnSync(process.execPath, ['--expose-gc', '-e', script],
    { env: { ...process.env, MALLOC_MMAP_THRESHOLD_: '131072' }, encoding: 'utf8' });
  assert.deepStrictEqual([child.status, child.signal, child.stderr], [0, null, '']);
  assert.deepStrictEqual(JSON.parse(child.stdout),
    [[['q', SQLI, 'sql-injection']], ['path-traversal'], ['sql-injection']]);
});
