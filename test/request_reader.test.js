'use strict';
// How scoreRequestConnect reads its inputs: every string read into one buffer per call
// (the buffer's edges reached through the test addon), the order and number of property reads,
// and random requests compared with the same texts scored one at a time.
const test = require('node:test');
const assert = require('node:assert');
const path = require('node:path');
const { Agent, constants } = require('..');

const probe = require(path.join(__dirname, '..', process.env.QUENLITH_BUILD_DIR || 'build',
  'quenlith_bindings_probe.node'));
const agent = new Agent();
const { InputType, RuleType } = constants;
const RULE_NAMES = Object.fromEntries(Object.entries(RuleType).map(([name, bit]) => [bit, name]));
const TYPE_NAMES = Object.fromEntries(Object.entries(InputType).map(([name, n]) => [n, name]));

// A JavaScript string as the module reads it: up to its first NUL, lone surrogates replaced.
const asRead = (s) => Buffer.from(s.split('\0')[0], 'utf8').toString('utf8');

// A deterministic generator, so a failure repeats.
function random(seed) {
  let state = seed >>> 0;
  return (n) => {
    state = (Math.imul(state, 1664525) + 1013904223) >>> 0;
    return Math.floor((state / 2 ** 32) * n);
  };
}

// Texts around the buffer's edges: the one-call read (about 512 bytes of room) and the inline
// part (4 KB), with multi-byte characters and lone surrogates straddling them.
function edgeTexts() {
  const texts = [];
  for (const size of [0, 1, 506, 507, 508, 509, 510, 511, 512, 513, 4095, 4096, 4097, 70000]) {
    for (const tail of ['', '\u00e9', '\u20ac', '\u{1F600}', '\uD800', '\0x', 'a\0']) {
      texts.push('x'.repeat(size) + tail);
    }
  }
  return texts;
}

test('strings read into one buffer come back whole, cut at NUL, after the buffer has grown', () => {
  const texts = edgeTexts();
  assert.deepStrictEqual(probe.readTexts(texts), texts.map(asRead));
  // The same texts in a random order, so that each lands at another offset and the buffer
  // grows at other points.
  const next = random(7);
  for (let round = 0; round < 20; ++round) {
    const list = Array.from({ length: 1 + next(40) }, () => texts[next(texts.length)]);
    assert.deepStrictEqual(probe.readTexts(list), list.map(asRead));
  }
});

test('random strings of any code units are read as JavaScript encodes them to UTF-8', () => {
  // ASCII runs, NUL, each UTF-8 length's edges, both surrogate halves alone and paired.
  const units = [0x61, 0x7a, 0x00, 0x7f, 0x80, 0x7ff, 0x800, 0xd7ff, 0xd800, 0xdbff, 0xdc00,
    0xdfff, 0xe000, 0xfffd, 0xffff];
  const next = random(11);
  const list = [];
  for (let round = 0; round < 2000; ++round) {
    let text = '';
    for (let i = next(24); i > 0; --i) {
      text += next(3) === 0 ? 'abcdefgh'.slice(next(8)) : String.fromCharCode(units[next(units.length)]);
    }
    list.push(text);
  }
  assert.deepStrictEqual(probe.readTexts(list), list.map(asRead));
});

test('a non-string element is a typed error, whatever was read before it', () => {
  for (const [value, type] of [[5, 'Number'], [undefined, 'Undefined'], [null, 'Null'],
    [new String('s'), 'Object'], [Symbol('s'), 'Symbol'], [10n, 'Unknown']]) {
    assert.throws(() => probe.readTexts(['x'.repeat(5000), value]),
      { code: 'InvalidArg', message: `expect String, got: ${type}` });
  }
});

test('each property getter runs once, in order; a query list is got again by its reader', () => {
  const cases = [
    ['query string', 'a=1', ['queries', 'headers', 'cookies', 'uriPath', 'method']],
    ['query list', ['a', '1'], ['queries', 'queries', 'headers', 'cookies', 'uriPath', 'method']],
  ];
  for (const [label, queries, expected] of cases) {
    const log = [];
    const values = { queries, headers: ['Host', 'h'], cookies: ['c', 'v'], uriPath: '/p', method: 'GET' };
    const inputs = {};
    for (const name of Object.keys(values)) {
      Object.defineProperty(inputs, name, { get() { log.push(name); return values[name]; } });
    }
    agent.scoreRequestConnect(RuleType['sql-injection'], inputs);
    assert.deepStrictEqual(log, expected, label);
  }
});

test('whether a property exists is asked only when its value is undefined', () => {
  const log = [];
  const target = { headers: ['Host', 'h'], uriPath: undefined };
  const inputs = new Proxy(target, {
    get(object, name) { log.push(`get ${String(name)}`); return object[name]; },
    has(object, name) { log.push(`has ${String(name)}`); return name in object; },
  });
  assert.throws(() => agent.scoreRequestConnect(RuleType['sql-injection'], inputs),
    { code: 'InvalidArg', message: 'expect String, got: Undefined' });
  assert.deepStrictEqual(log, ['get queries', 'has queries', 'get headers', 'get cookies',
    'has cookies', 'get uriPath', 'has uriPath']);
});

// What scoreRequestConnect answers for `request`, built from the one-text methods.
function expectedResponse(mask, request, options) {
  const items = [];
  const push = (finding, inputType, pathList, key, value) => items.push({
    ruleId: finding.ruleId, inputType, path: pathList, key,
    value: finding.ruleId === 'nosql-injection-mongo' ? agent.isMongoQueryType(key) : value,
    score: finding.score, idsList: finding.idsList,
  });
  const pairs = (list, nameType, valueType) => {
    for (let e = 0; e < list.length; ++e) {
      const type = e % 2 === 0 ? nameType : valueType;
      const name = asRead(list[e - (e % 2)]);
      for (const finding of agent.scoreAtom(mask, list[e], type, options) || []) {
        push(finding, TYPE_NAMES[type], [name], name, asRead(list[e]));
      }
    }
  };
  if (typeof request.queries === 'string') {
    // A form body is decoded and scored as the query string is.
    items.push(...(agent.scoreRequestBody(mask, request.queries, options).resultsList || []));
  } else if (request.queries) {
    pairs(request.queries, InputType.ParameterKey, InputType.ParameterValue);
  }
  for (let i = 0; request.headers && i < request.headers.length; i += 2) {
    const [name, value] = [request.headers[i], request.headers[i + 1]];
    for (const finding of agent.scoreHeader(mask, name, value, options) || []) {
      // A header finding's input type comes from the header's name; check_header decides it.
      push(finding, null, [asRead(name)], asRead(name), asRead(value));
    }
  }
  if (request.cookies) pairs(request.cookies, InputType.CookieName, InputType.CookieValue);
  if (request.uriPath !== undefined) {
    for (const finding of agent.scoreAtom(mask, request.uriPath, InputType.UriPath, options) || []) {
      push(finding, 'UriPath', [], '', asRead(request.uriPath));
    }
  }
  if (request.method !== undefined && agent.isMethodTampering(request.method)) {
    items.push({ ruleId: 'method-tampering', inputType: 'Method', path: [], key: '',
      value: asRead(request.method), score: 90, idsList: ['METHOD'] });
  }
  return items.length === 0 ? { trackRequest: false } : { trackRequest: true, resultsList: items };
}

const FRAGMENTS = [
  'a', 'blue', '=', '&', '%27', '%00', '%e9', '+', "' or 1=1--", '../../etc/passwd',
  '<script>alert(1)</script>', '; cat /etc/passwd', '$where', '$gt', '__proto__', 'eval(',
  'union select 1', 'javascript:alert(1)', 'Mozilla/5.0 (X11; Linux x86_64)', 'text/html',
  'GET', 'GeT', 'PROPFIND', '\0', '\u00e9', '\u{1F600}', '\uDC00', 'x'.repeat(509),
  'y'.repeat(4100),
];
const HEADER_NAMES = ['Host', 'User-Agent', 'Referer', 'Cookie', 'Accept', 'X-Custom',
  'Content-Type', 'If-None-Match', 'Origin'];

test('random requests get the answers of their texts scored one at a time', () => {
  const next = random(20261211);
  const text = () => Array.from({ length: next(4) }, () => FRAGMENTS[next(FRAGMENTS.length)]).join('');
  const list = () => Array.from({ length: 2 * next(5) }, text);
  for (let round = 0; round < 400; ++round) {
    const request = {};
    if (next(3) > 0) request.queries = next(2) ? list() : `q=${text()}`;
    if (next(3) > 0) {
      request.headers = [];
      for (let i = next(6); i > 0; --i) request.headers.push(HEADER_NAMES[next(HEADER_NAMES.length)], text());
    }
    if (next(2)) request.cookies = list();
    if (next(2)) request.uriPath = `/${text()}`;
    if (next(2)) request.method = text();
    if (Object.keys(request).length === 0) request.method = 'GET';
    const mask = 1 + next(1023);
    const options = next(3) === 0 ? { preferWorthWatching: true } : {};
    const actual = agent.scoreRequestConnect(mask, request, options);
    const expected = expectedResponse(mask, request, options);
    // The expected header items leave the input type to the actual answer.
    for (const [i, item] of (expected.resultsList || []).entries()) {
      if (item.inputType === null && actual.resultsList && actual.resultsList[i]) {
        item.inputType = actual.resultsList[i].inputType;
      }
    }
    assert.deepStrictEqual(actual, expected, JSON.stringify({ mask, request, options }));
  }
});

// A pair list whose elements are getters that log their index.
function loggedList(values, log) {
  const list = new Array(values.length);
  values.forEach((value, index) => {
    Object.defineProperty(list, index, {
      enumerable: true,
      get() {
        log.push(index);
        if (value instanceof Error) throw value;
        return value;
      },
    });
  });
  return list;
}

// A getter that throws fails the call as the failed element read does (GenericFailure).
test('pair list elements are got once each, in order, up to the first that fails', () => {
  const long = 'a'.repeat(40000);
  const lists = [
    ['short', ['Host', 'h']],
    ['typical', ['Host', 'h', 'Accept', 'text/html', 'Cookie', 'a=1', 'Referer', "' or 1=1--", '', '']],
    ['past the one-string budget',
      ['', '', 'X-A', long, 'X-B', `' or 1=1--${long}`, 'X-C', long, 'X-D', "' or 1=1--", 'X-E', '']],
  ];
  const failures = [
    [5, 'Number', 'expect String, got: Number'],
    [null, 'Null', 'expect String, got: Null'],
    [new String('s'), 'Object', 'expect String, got: Object'],
  ];
  const mask = RuleType['sql-injection'];
  for (const [label, headers] of lists) {
    const log = [];
    const actual = agent.scoreRequestConnect(mask, { cookies: loggedList(headers, log) });
    assert.deepStrictEqual(log, headers.map((_, i) => i), label);
    assert.deepStrictEqual(actual, expectedResponse(mask, { cookies: headers }, {}), label);
    assert.strictEqual(actual.trackRequest, label !== 'short', label);
    for (let at = 0; at < headers.length; ++at) {
      for (const [value, , message] of failures) {
        const failing = headers.slice();
        failing[at] = value;
        const failingLog = [];
        assert.throws(() => agent.scoreRequestConnect(mask, { cookies: loggedList(failing, failingLog) }),
          { code: 'InvalidArg', message }, `${label} at ${at}`);
        assert.deepStrictEqual(failingLog, failing.slice(0, at + 1).map((_, i) => i), `${label} at ${at}`);
      }
      const thrown = new Error('getter');
      const throwing = headers.slice();
      throwing[at] = thrown;
      const throwingLog = [];
      assert.throws(() => agent.scoreRequestConnect(mask, { headers: loggedList(throwing, throwingLog) }),
        { code: 'GenericFailure' }, `${label} at ${at}`);
      assert.deepStrictEqual(throwingLog, throwing.slice(0, at + 1).map((_, i) => i), `${label} at ${at}`);
    }
  }
});

test('pair lists read whole past the joined elements, and from a getter that calls in again', () => {
  const mask = RuleType['sql-injection'];
  const many = [];
  for (let i = 0; i < 1100; ++i) many.push(`c${i}`, i % 97 === 0 ? `' or ${i}=${i}--` : `v${i}`);
  const manyActual = agent.scoreRequestConnect(mask, { cookies: many });
  assert.deepStrictEqual(manyActual, expectedResponse(mask, { cookies: many }, {}));
  assert.ok(manyActual.resultsList.some((item) => item.key === 'c1067'));

  const inner = ['a', "' or 1=1--", 'b', 'x', 'c', "1' union select 2--"];
  const innerAnswers = [];
  const outer = ['k1', "' or 2=2--", 'k2', 'y', 'k3', 'z', 'k4', "' or 3=3--"];
  const list = outer.slice();
  Object.defineProperty(list, 3, {
    get() {
      innerAnswers.push(agent.scoreRequestConnect(mask, { cookies: inner }));
      return outer[3];
    },
  });
  assert.deepStrictEqual(agent.scoreRequestConnect(mask, { cookies: list }),
    expectedResponse(mask, { cookies: outer }, {}));
  assert.deepStrictEqual(innerAnswers, [expectedResponse(mask, { cookies: inner }, {})]);
});
