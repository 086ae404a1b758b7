'use strict';
// A mixed workload over the whole JavaScript interface: every Agent method with arguments
// that give findings, that give nothing and that make it throw, plus constructions with
// valid and invalid options. Shared by the thread test, the memory soak and the typings
// test (the method list).
//
// Each case is { method, args }: `args()` builds fresh arguments, because a chunked scan
// replaces the buffers of its state object. `answerOf` runs one case and returns its
// answer as a string: the result (ArrayBuffers as hex, undefined kept, property order
// kept), or the thrown error's class, code and message, and for a chunked scan also the
// state object as the call left it.

// The eighteen methods in class-definition order.
const METHODS = [
  'scoreRequestConnect', 'scoreRequestBody', 'scoreAtom', 'scoreHeader',
  'checkCommandInjectionSink', 'checkSqlInjectionSink', 'checkSsjsInjectionSink',
  'findMongoComparators', 'isMongoQueryType', 'isDangerousPath', 'containsDangerousPath',
  'indexOfChaining', 'isMethodTampering', 'isXssInWholeBody', 'isXssInChunkedBody',
  'makeXssState', 'isXssScriptOrIframeInUserInput', 'checkSqlInjectionContextFreeSink',
];
const CONSTRUCT = 'new Agent';

const ab = (list) => new Uint8Array(list).buffer;
// A state object as makeXssState builds it for ASCII inputs: a fresh state and the inputs
// with no progress (count, then each input as length, bytes, progress).
function xssState(inputs, state = [0, 0]) {
  const bytes = [inputs.length];
  for (const value of inputs) bytes.push(value.length, ...Buffer.from(value, 'latin1'), 0);
  return { state: ab(state), inputs: ab(bytes) };
}

const query = "SELECT * FROM users WHERE name = 'x' OR 1=1 -- ' AND pw = 'y'";
const queryInput = "x' OR 1=1 -- ";
const command = 'convert upload.png -resize 50% thumb.png; cat /etc/passwd';
const commandInput = 'thumb.png; cat /etc/passwd';
const code = 'const greeting = "Hello, " + name + "!"; render(greeting)';
const page = `<html><body>${'<p>lorem ipsum dolor sit amet</p>'.repeat(100)}` +
  '<script>var q = "";alert(document.cookie)//";</script></body></html>';
const jsonBody = JSON.stringify({
  user: { name: { $ne: null }, age: { $gt: 18 } },
  q: "1' OR '1'='1",
  ['__proto__']: { admin: true },
  items: Array.from({ length: 40 }, (_, i) => ({ id: i, note: `item ${i} ../../etc/passwd` })),
});
const utf8 = 'caf\u00e9 \u20ac\u{1f600} \u0000hidden';

const CASES = [
  // Construction: options read, then the process-wide set-up (already done after the first).
  [CONSTRUCT, () => []],
  [CONSTRUCT, () => [{}]],
  [CONSTRUCT, () => [5]],
  [CONSTRUCT, () => [{ enableLogging: false, logLevel: 'DEBUG' }]],
  [CONSTRUCT, () => [null]],
  [CONSTRUCT, () => [undefined]],
  [CONSTRUCT, () => [{ enableLogging: 'yes' }]],
  [CONSTRUCT, () => [{ logDir: 5 }]],

  ['scoreRequestConnect', () => [1023, {
    queries: 'a=1&b=%27%20OR%201%3D1--&c=%3Cscript%3Ealert(1)%3C%2Fscript%3E',
    headers: ['User-Agent', 'sqlmap/1.7', 'X-Api', '../../etc/passwd', 'Accept', 'text/html'],
    cookies: ['sid', "1' or '1'='1", '__proto__', 'x'],
    uriPath: '/static/../../etc/passwd',
    method: 'FOO',
  }]],
  ['scoreRequestConnect', () => [8 | 16, { queries: ['q', "x'; DROP TABLE t;--", 'r', 'ok'] }, { preferWorthWatching: true }]],
  ['scoreRequestConnect', () => [4, { queries: '', uriPath: '/', method: 'get' }]],
  ['scoreRequestConnect', () => [64, { headers: ['user-agent', 'Mozilla/5.0 (X11; Linux x86_64)'] }]],
  ['scoreRequestConnect', () => [32, { queries: 'q[$ne]=1&w=$where', headers: [] }]],
  ['scoreRequestConnect', () => []],
  ['scoreRequestConnect', () => ['8', { method: 'GET' }]],
  ['scoreRequestConnect', () => [0, { method: 'GET' }]],
  ['scoreRequestConnect', () => [-1, { method: 'GET' }]],
  ['scoreRequestConnect', () => [8, null]],
  ['scoreRequestConnect', () => [8, 'a=1']],
  ['scoreRequestConnect', () => [8, { queries: 5 }]],
  ['scoreRequestConnect', () => [8, { queries: ['a', 'b', 'c'] }]],
  ['scoreRequestConnect', () => [8, { headers: { a: 'b' } }]],
  ['scoreRequestConnect', () => [8, { cookies: ['a', 1] }]],
  ['scoreRequestConnect', () => [8, { uriPath: undefined }]],
  ['scoreRequestConnect', () => [8, { method: 'GET' }, null]],

  ['scoreRequestBody', () => [1023, jsonBody]],
  ['scoreRequestBody', () => [1023, 'a=1&b=%3Cscript%3Ealert(1)%3C%2Fscript%3E&c=..%2F..%2Fetc%2Fpasswd']],
  ['scoreRequestBody', () => [8, Buffer.from('{"q":"x\' UNION SELECT pw FROM users--"}')]],
  ['scoreRequestBody', () => [8 | 32, '  [{"$where":"1"}]', { preferWorthWatching: 1 }]],
  ['scoreRequestBody', () => [8, '']],
  ['scoreRequestBody', () => [8]],
  ['scoreRequestBody', () => [8, '{"a":']],
  ['scoreRequestBody', () => [8, Buffer.from([0x7b, 0xff])]],
  ['scoreRequestBody', () => [8, 42]],
  ['scoreRequestBody', () => [8, '{}', undefined]],

  ['scoreAtom', () => [8, "1' OR '1'='1", 9]],
  ['scoreAtom', () => [1023, '<script>alert(document.cookie)</script>', 9]],
  ['scoreAtom', () => [1, 'shell.php', 12]],
  ['scoreAtom', () => [8, 'hello', 9]],
  ['scoreAtom', () => [8, "x' or 1=1", 9, { preferWorthWatching: 'false' }]],
  ['scoreAtom', () => [3.7, new String('../../etc/passwd'), 10]],
  ['scoreAtom', () => [512, Buffer.from('__proto__'), 5]],
  ['scoreAtom', () => [1023, utf8, 14]],
  ['scoreAtom', () => []],
  ['scoreAtom', () => [8, 'x', 15]],
  ['scoreAtom', () => [8, 'x', '9']],
  ['scoreAtom', () => [8, 'x']],
  ['scoreAtom', () => [8, 'x', 9, null]],
  ['scoreAtom', () => [NaN, 'x', 9]],
  ['scoreAtom', () => [8, {}, 9]],

  ['scoreHeader', () => [64, 'User-Agent', 'sqlmap/1.7']],
  ['scoreHeader', () => [1023, 'X-Foo', '<script>alert(1)</script>']],
  ['scoreHeader', () => [8, 'Accept', 'text/html']],
  ['scoreHeader', () => [8, 'Referer', "http://x/?q=1' or '1'='1", { preferWorthWatching: true }]],
  ['scoreHeader', () => [8, 'a']],
  ['scoreHeader', () => ['8', 'a', 'b']],
  ['scoreHeader', () => [8, 1, 'b']],
  ['scoreHeader', () => [8, 'a', Buffer.from([0xe2, 0x82])]],

  ['checkCommandInjectionSink', () => [command.indexOf(commandInput), commandInput.length, command]],
  ['checkCommandInjectionSink', () => [0, 3, 'abc']],
  ['checkCommandInjectionSink', () => [2, 5, 'a "b;c" d']],
  ['checkCommandInjectionSink', () => [1, 2]],
  ['checkCommandInjectionSink', () => ['1', 2, 'ls']],
  ['checkCommandInjectionSink', () => [0, 1, 42]],

  ['checkSqlInjectionSink', () => [query.indexOf(queryInput), queryInput.length, 2, query]],
  ['checkSqlInjectionSink', () => [query.indexOf(queryInput), queryInput.length, 0, query]],
  ['checkSqlInjectionSink', () => [2, 3, 4294967295, "é='1' -- x"]],
  ['checkSqlInjectionSink', () => [0, 1, 2]],
  ['checkSqlInjectionSink', () => [0, 1]],
  ['checkSqlInjectionSink', () => [0, 1, '5', 'a b']],

  ['checkSsjsInjectionSink', () => [code, 25, 4]],
  ['checkSsjsInjectionSink', () => ['x', 0, 1]],
  ['checkSsjsInjectionSink', () => ['eval("1"); x = "a" + b', 18, 5]],
  ['checkSsjsInjectionSink', () => ['x', 0]],
  ['checkSsjsInjectionSink', () => ['x', '0', 1]],

  ['findMongoComparators', () => ['{"$where":"x","a":{"$gt":1}}']],
  ['findMongoComparators', () => [Buffer.from('[{"$or":[{"b":{"$in":[1]}}]}]')]],
  ['findMongoComparators', () => ['{"a":1}']],
  ['findMongoComparators', () => ['{"a":']],
  ['findMongoComparators', () => ['{"a\u0000":1}']],
  ['findMongoComparators', () => [Buffer.from('{"a":"\u0000"x}')]],
  ['findMongoComparators', () => []],

  ['isMongoQueryType', () => ['$gt']],
  ['isMongoQueryType', () => ['$GT']],
  ['isMongoQueryType', () => []],
  ['isMongoQueryType', () => [{}]],

  ['isDangerousPath', () => ['/etc/passwd', false]],
  ['isDangerousPath', () => ['../../etc/shadow', 'false']],
  ['isDangerousPath', () => ['x', 0]],
  ['isDangerousPath', () => ['/x']],
  ['isDangerousPath', () => [Buffer.from([0xff]), true]],

  ['containsDangerousPath', () => ['cat /etc/passwd']],
  ['containsDangerousPath', () => ['ls -la "$HOME"/./docs']],
  ['containsDangerousPath', () => []],
  ['containsDangerousPath', () => [5]],

  ['indexOfChaining', () => ['ls; rm -rf /']],
  ['indexOfChaining', () => ['ls -la']],
  ['indexOfChaining', () => ['é && id']],
  ['indexOfChaining', () => []],
  ['indexOfChaining', () => [Buffer.from([0xff])]],

  ['isMethodTampering', () => ['get']],
  ['isMethodTampering', () => ['FOO']],
  ['isMethodTampering', () => ['']],
  ['isMethodTampering', () => []],
  ['isMethodTampering', () => [null]],

  ['isXssInWholeBody', () => ['<script>alert(1)</script>', ['alert(1)']]],
  ['isXssInWholeBody', () => [page, ['";alert(document.cookie)//', 'plain', '<b>']]],
  ['isXssInWholeBody', () => [Buffer.from(page), ['nothing<here>']]],
  ['isXssInWholeBody', () => [42, ['hello']]],
  ['isXssInWholeBody', () => ['x']],
  ['isXssInWholeBody', () => ['x', 'notarray']],
  ['isXssInWholeBody', () => ['x', [1]]],
  ['isXssInWholeBody', () => [42, ['<']]],

  ['isXssInChunkedBody', () => ['<scr', xssState(['alert(1)'])]],
  ['isXssInChunkedBody', () => ['ipt>alert(1)</script>', xssState(['alert(1)'], [5, 0x73, 0x63, 0x72, 0x69, 0x70, 0x74, 3, 4])]],
  ['isXssInChunkedBody', () => [page.slice(0, 700), xssState(['";alert(document.cookie)//'])]],
  ['isXssInChunkedBody', () => ['x', xssState([])]],
  ['isXssInChunkedBody', () => ['x', null]],
  ['isXssInChunkedBody', () => ['x', {}]],
  ['isXssInChunkedBody', () => ['x', { state: new ArrayBuffer(0), inputs: ab([0]) }]],
  ['isXssInChunkedBody', () => ['x', { state: ab([0, 0]), inputs: ab([1, 0]) }]],
  ['isXssInChunkedBody', () => ['x', { state: new Uint8Array(2), inputs: ab([0]) }]],
  ['isXssInChunkedBody', () => ['x']],

  ['makeXssState', () => [['hello', '<b>', "x'y"]]],
  ['makeXssState', () => [[]]],
  ['makeXssState', () => []],
  ['makeXssState', () => ['x']],
  ['makeXssState', () => [[1]]],
  ['makeXssState', () => [[], []]],

  ['isXssScriptOrIframeInUserInput', () => [['<iframe src=a>']]],
  ['isXssScriptOrIframeInUserInput', () => [['<script>', 'x</script>']]],
  ['isXssScriptOrIframeInUserInput', () => [['<b src=a>', '<script>x']]],
  ['isXssScriptOrIframeInUserInput', () => [[]]],
  ['isXssScriptOrIframeInUserInput', () => []],
  ['isXssScriptOrIframeInUserInput', () => ['x']],
  ['isXssScriptOrIframeInUserInput', () => [[null]]],

  ['checkSqlInjectionContextFreeSink', () => ["SELECT * FROM t WHERE 'a'='a'"]],
  ['checkSqlInjectionContextFreeSink', () => ['SELECT * FROM t WHERE id = 1']],
  ['checkSqlInjectionContextFreeSink', () => [new String('x = 1 OR 2 = 2')]],
  ['checkSqlInjectionContextFreeSink', () => []],
  ['checkSqlInjectionContextFreeSink', () => [Buffer.from([0xc0, 0xaf])]],
].map(([method, args]) => ({ method, args }));

// A JSON-able copy of a result that keeps what JSON would lose.
function normalize(value) {
  if (value === undefined) return { '<undefined>': true };
  if (value instanceof ArrayBuffer) return { '<ArrayBuffer>': Buffer.from(value).toString('hex') };
  if (Array.isArray(value)) return value.map(normalize);
  if (value !== null && typeof value === 'object') {
    return Object.fromEntries(Object.entries(value).map(([k, v]) => [k, normalize(v)]));
  }
  if (typeof value === 'number' && !Number.isFinite(value)) return { '<number>': String(value) };
  return value;
}

// The cases whose method this build of the module has, and the methods it lacks.
function available(Agent) {
  const missing = METHODS.filter((m) => typeof Agent.prototype[m] !== 'function');
  return { cases: CASES.filter((c) => !missing.includes(c.method)), missing };
}

function answerOf(Agent, agent, { method, args: makeArgs }) {
  const args = makeArgs();
  let answer;
  try {
    const value = method === CONSTRUCT ? (new Agent(...args), 'constructed') : agent[method](...args);
    answer = { value: normalize(value) };
  } catch (e) {
    answer = { error: [e.constructor.name, e.code, e.message] };
  }
  if (method === 'isXssInChunkedBody') answer.stateAfter = normalize(args[1]);
  return JSON.stringify(answer);
}

module.exports = { METHODS, CASES, available, answerOf };
