'use strict';
// The sink, semantic-check, MongoDB and method-tampering methods of Agent.
const test = require('node:test');
const assert = require('node:assert');
const { Agent, constants } = require('..');

const agent = new Agent();
const MAX_U32 = 4294967295;
const TEXT_KIND_MESSAGE = 'data must be a string, String object or Buffer with utf8 encoding';

// Every method with a way to call it that puts `text` in each of its text arguments.
const TEXT_CALLS = {
  checkCommandInjectionSink: (t) => agent.checkCommandInjectionSink(0, 1, t),
  checkSqlInjectionSink: (t) => agent.checkSqlInjectionSink(0, 1, 2, t),
  checkSsjsInjectionSink: (t) => agent.checkSsjsInjectionSink(t, 0, 1),
  checkSqlInjectionContextFreeSink: (t) => agent.checkSqlInjectionContextFreeSink(t),
  isMongoQueryType: (t) => agent.isMongoQueryType(t),
  findMongoComparators: (t) => agent.findMongoComparators(t),
  isDangerousPath: (t) => agent.isDangerousPath(t, true),
  containsDangerousPath: (t) => agent.containsDangerousPath(t),
  indexOfChaining: (t) => agent.indexOfChaining(t),
  isMethodTampering: (t) => agent.isMethodTampering(t),
};

test('too few arguments fail with each method\'s own message', () => {
  const cases = [
    ['checkCommandInjectionSink', [], 'missing arguments'],
    ['checkCommandInjectionSink', [0, 1], 'missing arguments'],
    ['checkSqlInjectionSink', [0, 1], 'missing arguments'],
    ['checkSsjsInjectionSink', ['x', 0], 'required arguments: string, user-input-index, user-input-length'],
    ['checkSqlInjectionContextFreeSink', [], 'required argument: string'],
    ['isMongoQueryType', [], 'missing string argument'],
    ['findMongoComparators', [], 'missing arguments'],
    ['isDangerousPath', ['/etc/passwd'], 'missing arguments'],
    ['containsDangerousPath', [], 'missing arguments'],
    ['indexOfChaining', [], 'missing arguments'],
    ['isMethodTampering', [], 'one string argument is required'],
  ];
  for (const [method, args, message] of cases) {
    assert.throws(() => agent[method](...args), { code: 'InvalidArg', message }, `${method}(${args})`);
  }
});

test('the SQL sink counts three arguments but reads the fourth as the query', () => {
  assert.throws(() => agent.checkSqlInjectionSink(0, 1, 2), { code: 'InvalidArg', message: TEXT_KIND_MESSAGE });
  // An explicit undefined is an argument passed: the count passes and the read fails.
  assert.throws(() => agent.checkCommandInjectionSink(undefined, undefined, undefined),
    { code: 'NumberExpected', message: '' });
});

test('positions and the database kind must be numbers, read in argument order', () => {
  const cases = [
    () => agent.checkSsjsInjectionSink('x', '0', 1),
    () => agent.checkSsjsInjectionSink('x', 0, null),
    () => agent.checkCommandInjectionSink('1', 2, 'ls'),
    () => agent.checkCommandInjectionSink(1, 2n, 'ls'),
    () => agent.checkSqlInjectionSink(0, 1, '5', 'a b'),
    // The positions come before the command, so a bad command is not reached.
    () => agent.checkCommandInjectionSink(1, {}, 42),
    () => agent.checkSqlInjectionSink(0, 1, undefined, 42),
  ];
  for (const call of cases) assert.throws(call, { code: 'NumberExpected', message: '' }, String(call));
  // The server-side JavaScript check reads its code first.
  assert.throws(() => agent.checkSsjsInjectionSink(5, 'x', 1), { code: 'InvalidArg', message: TEXT_KIND_MESSAGE });
});

test('a text argument of the wrong kind fails every method', () => {
  const cases = [
    [Buffer.from([0xff]), 'InvalidArg', 'buffer must be utf8 encoded: invalid utf-8 sequence of 1 bytes from index 0'],
    [Buffer.from([0x61, 0xe2, 0x82]), 'InvalidArg', 'buffer must be utf8 encoded: incomplete utf-8 byte sequence from index 1'],
    [Buffer.from([0x61, 0xc0, 0xaf, 0x62]), 'InvalidArg', 'buffer must be utf8 encoded: invalid utf-8 sequence of 1 bytes from index 1'],
    [{}, 'InvalidArg', 'object must be a String object or utf8 buffer'],
    [[], 'InvalidArg', 'object must be a String object or utf8 buffer'],
    [42, 'InvalidArg', TEXT_KIND_MESSAGE],
    [null, 'InvalidArg', TEXT_KIND_MESSAGE],
    [Symbol('s'), 'InvalidArg', TEXT_KIND_MESSAGE],
  ];
  for (const [method, call] of Object.entries(TEXT_CALLS)) {
    for (const [value, code, message] of cases) {
      assert.throws(() => call(value), { code, message }, `${method} with ${String(value)}`);
    }
  }
});

test('text arguments: strings end at U+0000, String objects are read, Buffers are read whole', () => {
  const cases = [
    ['get', false],
    ['get\u0000FOO', false],
    [new String('FOO'), true],
    [new String('GET\u0000x'), false],
    [Buffer.from('GET'), false],
    [Buffer.from('GET\u0000x'), true],
    // A Buffer view of part of a larger allocation is read only within the view.
    [Buffer.from('GETXYZ').subarray(0, 3), false],
    [Buffer.alloc(0), true],
  ];
  for (const [method, expected] of cases) {
    assert.strictEqual(agent.isMethodTampering(method), expected, JSON.stringify(String(method)));
  }
  // The same through a check that uses positions: the text after U+0000 is not there.
  assert.strictEqual(agent.checkCommandInjectionSink(3, 8, 'ls x\u0000; rm y'), undefined);
  assert.deepStrictEqual(agent.checkCommandInjectionSink(3, 8, Buffer.from('ls x\u0000; rm y')),
    agent.checkCommandInjectionSink(3, 8, 'ls x\u0001; rm y'));
});

test('boundary objects have four numbers in order; no boundary is undefined', () => {
  const command = 'ls foo; rm -rf /';
  const cmd = agent.checkCommandInjectionSink(3, 13, command);
  assert.deepStrictEqual(Object.keys(cmd), ['startIndex', 'endIndex', 'overrunIndex', 'boundaryIndex']);
  assert.deepStrictEqual(cmd, { startIndex: 3, endIndex: 16, overrunIndex: 6, boundaryIndex: 3 });
  assert.strictEqual(agent.checkCommandInjectionSink(3, 3, command), undefined);

  const query = "SELECT * FROM t WHERE id = '1' OR 1=1 --'";
  const sql = agent.checkSqlInjectionSink(query.indexOf("1'"), 9, constants.DbType.MySQL, query);
  assert.deepStrictEqual(Object.keys(sql), ['startIndex', 'endIndex', 'overrunIndex', 'boundaryIndex']);
  assert.deepStrictEqual(sql, { startIndex: 28, endIndex: 37, overrunIndex: 30, boundaryIndex: 27 });
  assert.strictEqual(agent.checkSqlInjectionSink(query.indexOf('1 OR'), 1, constants.DbType.MySQL, query), undefined);
});

test('database kinds 1 to 6 select a dialect; every other number the generic one', () => {
  // A doubled double quote escapes inside a quoted name only in some dialects, so the
  // input a""b (characters 1 to 4) is one token there and three tokens elsewhere.
  const query = '"a""b" c';
  const escapes = new Set([constants.DbType.MySQL, constants.DbType.Sqlite, constants.DbType.SqlServer]);
  const kinds = [0, 1, 2, 3, 4, 5, 6, 7, 8, 1000, MAX_U32, -1, 5.9, NaN, Infinity];
  for (const kind of kinds) {
    // Node-API's unsigned conversion: -1 is 4294967295, 5.9 is 5, NaN and Infinity are 0.
    const dialect = kind >>> 0;
    const result = agent.checkSqlInjectionSink(1, 4, kind, query);
    if (escapes.has(dialect)) {
      assert.strictEqual(result, undefined, `kind ${kind}`);
    } else {
      assert.deepStrictEqual(result, { startIndex: 1, endIndex: 5, overrunIndex: 3, boundaryIndex: 0 }, `kind ${kind}`);
    }
  }
});

test('SQL and command positions count characters, the server-side JavaScript check bytes', () => {
  // Characters: the same answer as for the ASCII text of the same length.
  const sqlCases = ["SELECT 'ééé' FROM t WHERE id = 1 OR 1=1", "SELECT '😀' FROM t WHERE id = 1 OR 1=1"];
  for (const query of sqlCases) {
    const ascii = [...query].map((c) => (c.charCodeAt(0) > 127 ? 'e' : c)).join('');
    const index = [...query.slice(0, query.indexOf('1 OR'))].length;
    const expected = agent.checkSqlInjectionSink(index, 8, 2, ascii);
    assert.deepStrictEqual(expected, { startIndex: index, endIndex: index + 8, overrunIndex: index + 1, boundaryIndex: index });
    assert.deepStrictEqual(agent.checkSqlInjectionSink(index, 8, 2, query), expected, query);
    assert.deepStrictEqual(agent.checkSqlInjectionSink(index, 8, 2, Buffer.from(query)), expected, query);
  }
  const command = 'echo é😀; cat a; rm x';
  const index = [...'echo é😀; cat '].length; // 13 characters, 14 UTF-16 units, 18 bytes
  assert.deepStrictEqual(agent.checkCommandInjectionSink(index, 7, command),
    { startIndex: 13, endIndex: 20, overrunIndex: 14, boundaryIndex: 13 });
  assert.strictEqual(agent.indexOfChaining('😀é| ls'), 2);

  // Bytes: the input x'); evil(' after 'é' starts at byte 19, character 18.
  const prefix = "var s = 'é'; run('";
  const input = "x'); evil('";
  const code = `${prefix}${input}')`;
  assert.strictEqual(agent.checkSsjsInjectionSink(code, Buffer.byteLength(prefix), input.length), true);
  assert.strictEqual(agent.checkSsjsInjectionSink(code, prefix.length, input.length), false);
  // In 'é=1' the '1' is at character 2 and byte 3; the span that ends the code is true only
  // as bytes (the first rule: index 0 and the whole byte length).
  assert.strictEqual(agent.checkSsjsInjectionSink('é=1', 0, 4), true);
  assert.strictEqual(agent.checkSsjsInjectionSink('é=1', 0, 3), false);
  assert.strictEqual(agent.checkSsjsInjectionSink('x', 0, 1), true);
});

test('any span gives an answer and no byte past the text is read', () => {
  // Each text is also given as a view into a larger Buffer whose following bytes would
  // change the answer if they were read.
  const texts = {
    command: ['ls x', '; rm -rf /'],
    sql: ["a = 'b", "' OR 1=1"],
    code: ["x = 'a", "' + b"],
  };
  const view = ([text, rest]) => Buffer.from(text + rest).subarray(0, Buffer.byteLength(text));
  const spans = [
    [0, 0], [2, 0], [4, 0], [4, 10], [100, 10], [0, MAX_U32], [2, MAX_U32], [MAX_U32, 0],
    [MAX_U32, 1], [MAX_U32, MAX_U32], [-1, -1], [2 ** 32 + 2, 3], [2.5, 1.5],
  ];
  for (const [index, length] of spans) {
    const label = `span ${index}, ${length}`;
    for (const [name, call] of [
      ['command', (t) => agent.checkCommandInjectionSink(index, length, t)],
      ['sql', (t) => agent.checkSqlInjectionSink(index, length, 0, t)],
      ['code', (t) => agent.checkSsjsInjectionSink(t, index, length)],
    ]) {
      const answer = call(texts[name][0]);
      assert.deepStrictEqual(call(view(texts[name])), answer, `${name} ${label}`);
      if (name === 'code') assert.strictEqual(typeof answer, 'boolean', label);
      else assert.ok(answer === undefined || Object.keys(answer).length === 4, `${name} ${label}`);
    }
  }
  // A span reaching past the text still finds a boundary inside the text; its end is
  // reported in 32 bits.
  assert.deepStrictEqual(agent.checkCommandInjectionSink(0, MAX_U32, 'ls x; y'),
    { startIndex: 0, endIndex: MAX_U32, overrunIndex: 2, boundaryIndex: 0 });
  assert.deepStrictEqual(agent.checkSqlInjectionSink(1, MAX_U32, 0, 'a b c').endIndex, 0);
});

test('random texts and spans: a boundary lies inside both the span and the text', () => {
  const pieces = ['a', ' ', "'", '"', '\\', ';', '|', '&', '$(', ')', '`', '#', '--', '/*', '\n',
    'é', '😀', '\u3000', '<', '=', '1', '[', ']', 'x', '\u0085'];
  let seed = 0x1234;
  const next = () => (seed = (Math.imul(seed, 1103515245) + 12345) >>> 0) >>> 8;
  const positions = [0, 1, 2, 7, 20, 39, 40, 41, MAX_U32 - 1, MAX_U32];
  for (let i = 0; i < 3000; i++) {
    const text = Array.from({ length: next() % 30 }, () => pieces[next() % pieces.length]).join('');
    const chars = [...text].length;
    const index = positions[next() % positions.length];
    const length = positions[next() % positions.length];
    const answers = [
      agent.checkCommandInjectionSink(index, length, text),
      agent.checkSqlInjectionSink(index, length, next() % 9, text),
    ];
    for (const answer of answers) {
      if (answer === undefined) continue;
      const label = `${JSON.stringify(text)} ${index} ${length}: ${JSON.stringify(answer)}`;
      assert.strictEqual(answer.startIndex, index, label);
      assert.strictEqual(answer.endIndex, (index + length) >>> 0, label);
      assert.ok(answer.overrunIndex > index && answer.overrunIndex < index + length, label);
      assert.ok(answer.overrunIndex <= chars && answer.boundaryIndex <= answer.overrunIndex, label);
    }
    assert.strictEqual(typeof agent.checkSsjsInjectionSink(text, index, length), 'boolean');
  }
});

test('the context-free SQL check', () => {
  const cases = [
    ['SELECT * FROM t WHERE 1=1', true],
    ["SELECT * FROM t WHERE name = 'a' OR 'a'='a'", true],
    ['SELECT * FROM t WHERE id = 2', false],
    ['', false],
  ];
  for (const [query, expected] of cases) {
    assert.strictEqual(agent.checkSqlInjectionContextFreeSink(query), expected, query);
  }
});

test('MongoDB operator names and comparators of a JSON text', () => {
  assert.strictEqual(agent.isMongoQueryType('$gt'), true);
  assert.strictEqual(agent.isMongoQueryType('$GT'), false);
  assert.strictEqual(agent.isMongoQueryType('$gt\u0000x'), true);

  const cases = [
    ['{"$where":"x","a":{"$gt":1}}', [['$where'], ['a', '$gt']]],
    ['[{"$ne":1},{"b":{"c":{"$gt":"$lt"}}}]', [['$ne'], ['b', 'c', '$gt']]],
    // Paths are the keys as written, without decoding escapes.
    ['{"é":{"$in":[1]}}', [['é', '$in']]],
    ['{"a\\"b":{"$gt":1}}', [['a\\"b', '$gt']]],
    ['{"a":1}', undefined],
    ['[]', undefined],
    ['"$gt"', undefined],
  ];
  for (const [json, paths] of cases) {
    const expected = paths && paths.map((path) => ({ path }));
    assert.deepStrictEqual(agent.findMongoComparators(json), expected, json);
    assert.deepStrictEqual(agent.findMongoComparators(Buffer.from(json)), expected, json);
  }
  const clause = agent.findMongoComparators('{"$gt":1}')[0];
  assert.deepStrictEqual(Object.keys(clause), ['path']);
});

test('invalid JSON fails with the parser\'s message, character for character', () => {
  const cases = [
    ['{"a":', 'final state is not ExpectNothing'],
    ['x', 'Unexpected token x in JSON at position 1'],
    [Buffer.from('{"a":\u0000}'), 'Unexpected token \u0000 in JSON at position 6'],
  ];
  for (const [json, message] of cases) {
    assert.throws(() => agent.findMongoComparators(json), { code: 'GenericFailure', message }, String(json));
  }
});

test('dangerous paths: the custom-code flag is taken by truthiness', () => {
  const truthy = [true, 'false', 1, -1, {}, [], 'x'];
  const falsy = [false, 0, -0, NaN, '', null, undefined];
  for (const flag of truthy) assert.strictEqual(agent.isDangerousPath('/etc/passwd', flag), true, String(flag));
  for (const flag of falsy) assert.strictEqual(agent.isDangerousPath('/etc/passwd', flag), false, String(flag));
  // A data-stream marker is dangerous in any code.
  assert.strictEqual(agent.isDangerousPath('a::$DATA', false), true);
  assert.strictEqual(agent.isDangerousPath('/tmp/x', true), false);

  assert.strictEqual(agent.containsDangerousPath('cat "/et"c//pass\\wd'), true);
  assert.strictEqual(agent.containsDangerousPath('ls -la'), false);
});

test('command chaining: a character index or -1', () => {
  const cases = [
    ['ls -la', -1],
    ['echo "a;b"', -1],
    ['', -1],
    ['ls; rm x', 2],
    ['a && b', 2],
    ['echo "$(id)"', 6],
  ];
  for (const [command, expected] of cases) {
    assert.strictEqual(agent.indexOfChaining(command), expected, command);
  }
});

test('method tampering', () => {
  for (const [method, expected] of [['get', false], ['POST', false], ['FOO', true], ['', true]]) {
    assert.strictEqual(agent.isMethodTampering(method), expected, method);
  }
});

test('arguments past a method\'s capacity are ignored', () => {
  assert.strictEqual(agent.isMethodTampering('get', 42), false);
  assert.strictEqual(agent.isDangerousPath('/etc/passwd', 1, {}), true);
  assert.deepStrictEqual(agent.checkCommandInjectionSink(3, 13, 'ls foo; rm -rf /', 42),
    { startIndex: 3, endIndex: 16, overrunIndex: 6, boundaryIndex: 3 });
  assert.strictEqual(agent.checkSqlInjectionSink(0, 1, 2, 'a', 42), undefined);
});

// One answer of each method, for comparing threads.
function answersOf(agent) {
  return [
    agent.checkSqlInjectionSink(28, 9, 2, "SELECT * FROM t WHERE id = '1' OR 1=1 --'"),
    agent.checkCommandInjectionSink(3, 13, 'ls foo; rm -rf /'),
    agent.checkSsjsInjectionSink("x = 'a' + b; y('", 4, 8),
    agent.checkSqlInjectionContextFreeSink("a = 'x' OR 2>1"),
    agent.findMongoComparators('{"a":{"$gt":1}}'),
    agent.isDangerousPath('/etc/shadow', true),
    agent.indexOfChaining('a | b'),
    agent.isMethodTampering('PUT'),
    agent.isXssInWholeBody('<script>alert(1)</script>', ['alert(1)']),
  ];
}

test('worker threads get the same answers as the main thread', async () => {
  const { Worker } = require('node:worker_threads');
  const script = `
    const { parentPort } = require('node:worker_threads');
    const { Agent } = require(${JSON.stringify(require.resolve('..'))});
    const agent = new Agent();
    ${answersOf.toString()}
    parentPort.postMessage(Array.from({ length: 200 }, () => answersOf(agent)));
  `;
  const runs = await Promise.all(Array.from({ length: 4 }, () => new Promise((resolve, reject) => {
    const worker = new Worker(script, { eval: true });
    worker.once('message', resolve);
    worker.once('error', reject);
  })));
  const expected = answersOf(agent);
  for (const answers of runs) {
    for (const answer of answers) assert.deepStrictEqual(answer, expected);
  }
});
