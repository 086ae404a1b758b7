'use strict';
// The results of JSON bodies: exact results, the key-path budget (one key per two body bytes,
// all paths together) with its warning, and result objects built in batches.
const test = require('node:test');
const assert = require('node:assert');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { spawnSync } = require('node:child_process');
const { Agent } = require('..');

const agent = new Agent();
const MONGO = 32;
const PROTO = 512;

const nested = (key, depth, inner = '1') => `{"${key}":`.repeat(depth) + inner + '}'.repeat(depth);
const clause = (keys) => ({
  ruleId: 'nosql-injection-mongo', inputType: 'JsonKey', path: keys, key: keys[keys.length - 1],
  value: true, score: 10, idsList: ['MONGO-KEY'],
});
const protoKey = (keys) => ({
  ruleId: 'prototype-pollution', inputType: 'JsonKey', path: keys, key: keys.length ? keys[keys.length - 1] : '',
  value: '__proto__', score: 90, idsList: ['PROTO-POLLUTION-1'],
});
const repeat = (key, n) => Array(n).fill(key);

test('bodies within the budget answer every result with its whole path', () => {
  const cases = [
    ['{"a":{"$ne":{"$gt":1}},"b":[{"$in":[]}]}', MONGO,
      [clause(['a', '$ne']), clause(['a', '$ne', '$gt']), clause(['b', '$in'])]],
    // 7 levels: 28 keys, the budget of the 57-byte body.
    [nested('$ne', 7), MONGO, [1, 2, 3, 4, 5, 6, 7].map((n) => clause(repeat('$ne', n)))],
    [nested('__proto__', 4), PROTO, [0, 1, 2, 3].map((n) => protoKey(repeat('__proto__', n)))],
    ['{"q":{"__proto__":{"$where":"x"}}}', MONGO | PROTO,
      [protoKey(['q']), clause(['q', '__proto__', '$where'])]],
  ];
  for (const [body, mask, expected] of cases) {
    assert.deepStrictEqual(agent.scoreRequestBody(mask, body),
      { bodyType: 'json', trackRequest: true, resultsList: expected }, body);
    assert.deepStrictEqual(agent.scoreRequestBody(mask, Buffer.from(body)).resultsList, expected, body);
    const clauses = expected.filter((r) => r.idsList[0] === 'MONGO-KEY').map((r) => ({ path: r.path }));
    assert.deepStrictEqual(agent.findMongoComparators(body), clauses.length ? clauses : undefined, body);
  }
});

test('past the budget the first results keep their paths and the later ones their last key', () => {
  // 9 levels in 73 bytes (36 keys): 1 + ... + 8 keys, then the 9th path keeps its last key.
  const body = nested('$ne', 9);
  const expected = [1, 2, 3, 4, 5, 6, 7, 8].map((n) => clause(repeat('$ne', n))).concat([clause(['$ne'])]);
  assert.deepStrictEqual(agent.scoreRequestBody(MONGO, body).resultsList, expected);
  assert.deepStrictEqual(agent.findMongoComparators(body), expected.map((r) => ({ path: r.path })));

  // Hostile depth: results stay one per key, the first ones whole, and all paths together
  // within the budget plus one key per result.
  for (const [key, depth, mask, offset] of [['$ne', 12000, MONGO, 1], ['__proto__', 8000, PROTO, 0]]) {
    const hostile = nested(key, depth);
    const results = agent.scoreRequestBody(mask, hostile).resultsList;
    assert.strictEqual(results.length, depth);
    let total = 0;
    let whole = 0;
    results.forEach((result, i) => {
      total += result.path.length;
      if (whole === i && result.path.length === i + offset) whole += 1;
      assert.strictEqual(result.key, result.path.length ? key : '');
    });
    assert.ok(total <= Math.floor(hostile.length / 2) + depth, `${key}: ${total} keys`);
    assert.ok(whole * (whole + 1) / 2 > hostile.length / 4, `${key}: ${whole} whole paths`);
  }
});

// A JSON tree of objects and arrays whose keys are short names and operator keys (no key twice
// in one object), and the same tree's clause paths as the budget leaves them.
function randomBody(random) {
  const operators = ['$ne', '$gt', '$in', '$or', '$where', 'body', 'init', '$exists'];
  const names = ['a', 'b', 'c', 'd', 'e', 'f', 'gh', 'ij'];
  const clauses = [];
  const stack = [];
  const pick = (list) => list[Math.floor(random() * list.length)];
  let budget = 0;
  let members = 0;  // bounds the size of a tree
  const member = (key, depth) => {
    stack.push(key);
    if (operators.includes(key)) clauses.push([...stack]);
    const text = `${JSON.stringify(key)}:${value(depth + 1)}`;
    stack.pop();
    return text;
  };
  const value = (depth) => {
    const roll = random();
    if (depth > 40 || members > 6000 || (depth > 0 && roll < 0.15)) return String(Math.floor(random() * 100));
    if (roll < 0.25) return `[${value(depth + 1)},${value(depth + 1)}]`;
    if (roll < 0.3) {
      // A chain of single-key objects, some of them operator keys: deep paths that share
      // all but their last keys.
      const length = 50 + Math.floor(random() * 1500);
      let open = '';
      for (let i = 0; i < length; ++i) {
        const key = random() < 0.01 || i === length - 1 ? pick(operators) : pick(names);
        stack.push(key);
        if (operators.includes(key)) clauses.push([...stack]);
        open += `{${JSON.stringify(key)}:`;
      }
      members += length;
      const inner = value(depth + 1);
      stack.length -= length;
      return open + inner + '}'.repeat(length);
    }
    const count = random() < 0.7 ? 1 + Math.floor(random() * 3) : Math.floor(random() * 60);
    const used = new Set();
    const texts = [];
    for (let i = 0; i < count; ++i) {
      const key = random() < 0.5 ? pick(operators) : pick(names) + i;
      if (used.has(key)) continue;
      used.add(key);
      members += 1;
      texts.push(member(key, depth));
    }
    return `{${texts.join(',')}}`;
  };
  const body = value(0);
  budget = Math.floor(Buffer.byteLength(body) / 2);
  let spent = false;
  const paths = clauses.map((keys) => {
    if (!spent && keys.length <= budget) {
      budget -= keys.length;
      return keys;
    }
    spent = true;
    return [keys[keys.length - 1]];
  });
  return { body, paths };
}

// xorshift32, so that a failing seed can be replayed.
function generator(seed) {
  let x = Math.imul(seed, 0x9e3779b1) >>> 0 || 1;
  return () => {
    x ^= x << 13; x >>>= 0; x ^= x >>> 17; x ^= x << 5; x >>>= 0;
    return x / 0x100000000;
  };
}

test('random operator trees: paths in document order, within the budget, across batches', () => {
  let long = 0;
  let many = 0;
  for (let seed = 1; seed <= 30; ++seed) {
    const { body, paths } = randomBody(generator(seed));
    const label = `seed ${seed}`;
    const comparators = agent.findMongoComparators(body);
    assert.deepStrictEqual(comparators, paths.length ? paths.map((p) => ({ path: p })) : undefined, label);
    const response = agent.scoreRequestBody(MONGO, body);
    assert.deepStrictEqual(response.resultsList || [], paths.map(clause), label);
    if (paths.some((p) => p.length > 1024)) long += 1;
    if (paths.length > 450) many += 1;
  }
  // The trees reach both a path longer than one call's inline list and more results than one
  // call takes.
  assert.ok(long > 0 && many > 0, `${long} long, ${many} many`);
});

test('result objects hold their own properties, and a store that calls in again changes nothing', () => {
  const body = '[' + Array.from({ length: 3000 }, (_, i) => `{"k${i}":{"$gt":"__proto__"}}`).join(',') + ']';
  const expected = agent.scoreRequestBody(MONGO | PROTO, body);
  assert.strictEqual(expected.resultsList.length, 6000);
  expected.resultsList.forEach((result, i) => {
    assert.deepStrictEqual(Object.keys(result), ['ruleId', 'inputType', 'path', 'key', 'value', 'score', 'idsList']);
    assert.strictEqual(result.path[0], `k${i >> 1}`);
  });
  // A setter on Array.prototype runs for the stores of a result list (as any assignment does)
  // and calls the method again from inside.
  let inner;
  let called = false;
  Object.defineProperty(Array.prototype, '5', { configurable: true, set(value) {
    Object.defineProperty(this, '5', { value, writable: true, enumerable: true, configurable: true });
    if (!called) {
      called = true;
      inner = agent.scoreRequestBody(MONGO | PROTO, body);
    }
  } });
  let outer;
  try {
    outer = agent.scoreRequestBody(MONGO | PROTO, body);
  } finally {
    delete Array.prototype[5];
  }
  assert.ok(inner !== undefined);
  assert.deepStrictEqual(outer, expected);
  assert.deepStrictEqual(inner, expected);
});

test('repeated keys and values answer as if each stood alone, each result its own objects', () => {
  // Texts with findings of several rules, as keys and as values (a key and a value of the same
  // bytes have results of their own), and texts without.
  const elements = ['"__proto__"', '{"q":"__proto__"}', '{"__proto__":"__proto__"}',
    '{"a":{"__proto__":1,"constructor":"constructor"}}', '"<script>alert(1)</script>"',
    '{"q":"<script>alert(1)</script>"}', '"../a"', '{"../a":"../a"}', '"1\' OR 1=1 --"',
    '"; cat /etc/passwd"', '"plain"', '{"q":"x"}'];
  const mask = 2 | 4 | 8 | 16 | 128 | 512;
  const alone = elements.map((element) => agent.scoreRequestBody(mask, `[${element}]`).resultsList || []);
  assert.ok(alone.filter((results) => results.length > 1).length >= 4);
  let seed = 12;
  const next = () => (seed = (seed * 1103515245 + 12345) % 2147483648);
  const order = Array.from({ length: 600 }, () => Math.floor((next() / 2147483648) * elements.length));
  assert.strictEqual(new Set(order).size, elements.length);
  const body = `[${order.map((i) => elements[i]).join(',')}]`;
  const results = agent.scoreRequestBody(mask, body).resultsList;
  assert.deepStrictEqual(results, order.flatMap((i) => alone[i]));
  const seen = new Set();
  for (const result of results) {
    for (const object of [result, result.path, result.idsList]) {
      assert.ok(!seen.has(object));
      seen.add(object);
    }
  }
});

test('values whose findings take turns between rules answer as each alone', () => {
  // Each value of these gives results of two rules in turn (and one element a key result
  // between them): empty paths, one path for both results of a value, paths that differ in
  // their last key only, the same text at other places and texts of their own, in a body of
  // more results than one store call takes.
  const elements = ['"eval(1)"', '{"a":"eval(2)"}', '{"a":{"b":"eval(3)","c":"eval(3)"}}',
    '[["eval(4)"]]', '{"__proto__":"eval(5)"}', '{"k":[1,"eval(1)"]}', '"plain"'];
  const alone = (element) => agent.scoreRequestBody(1023, `[${element}]`).resultsList || [];
  let seed = 5;
  const next = () => (seed = (seed * 1103515245 + 12345) % 2147483648);
  const order = Array.from({ length: 3000 }, (_, i) =>
    (i % 5 === 4 ? `"eval(${i})"` : elements[next() % elements.length]));
  const expected = order.flatMap(alone);
  assert.ok(expected.length > 2 * 2048, `${expected.length} results`);
  const body = `[${order.join(',')}]`;
  assert.deepStrictEqual(agent.scoreRequestBody(1023, body).resultsList, expected);
  assert.deepStrictEqual(agent.scoreRequestBody(1023, Buffer.from(body)).resultsList, expected);
});

test('lists reach what Array.prototype holds at their indices, as any assignment does', () => {
  // One-key and two-key paths, one-identifier lists; then a 25-key path and 41 results,
  // lists long enough to be stored another way, with a prototype index inside them and one
  // past the path.
  const cases = [
    ['{"$gt":1,"a":{"$in":[]},"b":"__proto__"}', [0, 1], [1, 1, 2, 1, 1, 1]],
    [`[${nested('a', 24, '{"$ne":1}')},${repeat('{"$gt":1}', 40).join(',')}]`, [0, 20, 30],
      [25, 1, ...repeat(1, 80)]],
  ];
  // What plain assignments into fresh arrays make of a list (sloppy ones: a refused
  // assignment is skipped). A result list has its length from the start; a path or
  // identifier list grows with its elements.
  const assigned = (list, sized = false) => {
    const array = [];
    if (sized) array.length = list.length;
    for (let i = 0; i < list.length; ++i) {
      try { array[i] = list[i]; } catch { /* refused */ }
    }
    if (array.length !== list.length) array.length = list.length;
    return array;
  };
  // A setter that keeps the element (and counts the texts and results it sees, with the
  // length of the array it is stored in), a read-only value and a getter alone (both refuse
  // it).
  const descriptors = {
    setter: (index, seen) => ({ configurable: true, set(value) {
      const name = `${typeof value === 'string' ? value : Object.keys(value)} at length ${this.length}`;
      seen.set(name, (seen.get(name) || 0) + 1);
      Object.defineProperty(this, index, { value, writable: true, enumerable: true, configurable: true });
    } }),
    'read-only': () => ({ configurable: true, writable: false, value: 'proto' }),
    getter: () => ({ configurable: true, get() { return 'proto'; } }),
  };
  // Both methods that answer lists of result objects, and what assignments make of an answer.
  const methods = [
    ['scoreRequestBody', (body) => agent.scoreRequestBody(MONGO | PROTO, body),
      (plain) => ({ ...plain, resultsList: assigned(plain.resultsList.map((r) =>
        ({ ...r, path: assigned(r.path), idsList: assigned(r.idsList) })), true) })],
    ['findMongoComparators', (body) => agent.findMongoComparators(body),
      (plain) => assigned(plain.map((c) => ({ path: assigned(c.path) })), true)],
  ];
  for (const [body, indices, lengths] of cases) {
    const results = agent.scoreRequestBody(MONGO | PROTO, body).resultsList;
    assert.deepStrictEqual(results.flatMap((r) => [r.path.length, r.idsList.length]), lengths);
    for (const [method, call, assign] of methods) {
      const plain = call(body);
      for (const index of indices) {
        for (const [kind, make] of Object.entries(descriptors)) {
          const seen = new Map();
          const referenceSeen = new Map();
          let response;
          let expected;
          Object.defineProperty(Array.prototype, index, make(index, seen));
          try {
            response = call(body);
            Object.defineProperty(Array.prototype, index, make(index, referenceSeen));
            expected = assign(plain);
          } finally {
            delete Array.prototype[index];
          }
          const label = `${method}, ${kind} at ${index} of ${body.slice(0, 40)}`;
          assert.deepStrictEqual(response, expected, label);
          assert.deepStrictEqual(seen, referenceSeen, label);
          if (kind === 'setter') assert.ok(seen.size > 0, label);
        }
      }
    }
  }
});

test('a setter that Object.prototype holds for a result property sees every store of it', () => {
  const body = '{"$gt":1,"a":{"$in":[]},"b":"__proto__"}';
  const plain = agent.scoreRequestBody(MONGO | PROTO, body);
  for (const name of ['ruleId', 'inputType', 'path', 'key', 'value', 'score', 'idsList']) {
    const seen = [];
    let response;
    Object.defineProperty(Object.prototype, name, { configurable: true, set(value) {
      seen.push(value);
      Object.defineProperty(this, name, { value, writable: true, enumerable: true, configurable: true });
    } });
    try {
      response = agent.scoreRequestBody(MONGO | PROTO, body);
    } finally {
      delete Object.prototype[name];
    }
    assert.deepStrictEqual(response, plain, name);
    assert.deepStrictEqual(seen, plain.resultsList.map((result) => result[name]), name);
  }
});

test('each result keeps its own identifiers and key among results of the same rules', () => {
  // Values whose findings share rules but not identifiers, in a random order and as keys too:
  // every result of the body is the result of its pair alone.
  const texts = ['<script>alert(1)</script>', 'javascript:alert(1)', "' or 1=1-- ", '__proto__',
    '; cat /etc/passwd', '../../etc/passwd', '<img src=x onerror=alert(1)>', 'a.prototype.b = 1'];
  let seed = 7;
  const random = (n) => { seed = (seed * 1103515245 + 12345) % 2147483648; return seed % n; };
  for (let round = 0; round < 20; round++) {
    const pairs = Array.from({ length: 12 }, (_, i) =>
      [random(3) === 0 ? texts[random(texts.length)] : `k${i}`, texts[random(texts.length)]]);
    const alone = (pair) => agent.scoreRequestBody(1023, `{${pair.map((t) => JSON.stringify(t)).join(':')}}`);
    const expected = pairs.flatMap((pair) => alone(pair).resultsList || []);
    const body = `{${pairs.map((pair) => pair.map((t) => JSON.stringify(t)).join(':')).join(',')}}`;
    assert.deepStrictEqual(agent.scoreRequestBody(1023, body).resultsList, expected, body);
    // The same as a URL-encoded body, where a result's key is the pair's name.
    const encoded = pairs.map((pair) => pair.map(encodeURIComponent).join('=')).join('&');
    const encodedAlone = pairs.flatMap((pair) =>
      agent.scoreRequestBody(1023, pair.map(encodeURIComponent).join('=')).resultsList || []);
    assert.deepStrictEqual(agent.scoreRequestBody(1023, encoded).resultsList, encodedAlone, encoded);
  }
});

test('cut paths are logged once per body at warn', (t) => {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'quenlith-json-'));
  t.after(() => fs.rmSync(dir, { recursive: true, force: true }));
  const script = `
    const { Agent } = require(${JSON.stringify(path.join(__dirname, '..'))});
    const agent = new Agent({ enableLogging: true, logLevel: 'warn', logDir: ${JSON.stringify(dir)} });
    const nested = (n) => '{"$ne":'.repeat(n) + '1' + '}'.repeat(n);
    agent.scoreRequestBody(32, nested(7));
    agent.scoreRequestBody(32, nested(12));
    agent.findMongoComparators(nested(9));
  `;
  const env = { ...process.env };
  for (const name of ['QUENLITH_SORVANE_LOG_LEVEL', 'QUENLITH_SORVANE_LOG_DIR', 'SPDLOG_LEVEL']) delete env[name];
  const child = spawnSync(process.execPath, ['-e', script], { env, encoding: 'utf8' });
  assert.deepStrictEqual([child.status, child.stderr], [0, '']);
  const files = fs.readdirSync(dir).filter((name) => name.endsWith('.log'));
  assert.strictEqual(files.length, 1);
  const lines = fs.readFileSync(path.join(dir, files[0]), 'utf8').trimEnd().split('\n');
  const warnings = lines.filter((line) => / WARN /.test(line)).map((line) => line.replace(/^.* WARN \[[^\]]*\] /, ''));
  // 12 levels (97 bytes, 48 keys): 1 + ... + 9 = 45 keys, the 10th to 12th paths are cut.
  assert.deepStrictEqual(warnings, [
    'key paths of a 97-byte JSON body pass its budget of 48 keys; paths cut to their last key: 3',
    'key paths of a 73-byte JSON body pass its budget of 36 keys; paths cut to their last key: 1',
  ]);
});

// Bodies whose result lists reach every way the values travel to the objects: a path longer
// than one call's fields and new values, more results than one call takes, each with texts of
// its own, and values that are `true`, `false`, strings and empty paths.
const mongoValue = (keys, id = 'MONGO-SLEEP') => {
  const key = keys.length ? keys[keys.length - 1] : '';
  return { ruleId: 'nosql-injection-mongo', inputType: 'JsonValue', path: keys, key,
    value: key.startsWith('$'), score: 10, idsList: [id] };
};
const protoValue = (keys) => ({ ...protoKey(keys), inputType: 'JsonValue' });
const chain = (keys, inner) => keys.map((k) => `{${JSON.stringify(k)}:`).join('') + inner + '}'.repeat(keys.length);
const names = (prefix, n) => Array.from({ length: n }, (_, i) => `${prefix}${i}`);

function transferCases() {
  const deep = names('k', 40000);
  const many = names('m', 6000);
  return [
    ['a path of 40,001 distinct keys', chain(deep, '{"$where":"sleep(1)"}'), MONGO,
      [clause([...deep, '$where']), mongoValue([...deep, '$where'])]],
    ['6,000 distinct keys with false values, clauses and values with empty paths',
      `[${many.map((k, i) => (i % 3 === 2 ? '"sleep(1)"' : `{"${k}":"sleep(1)","$gt":1}`)).join(',')}]`, MONGO,
      many.flatMap((k, i) => (i % 3 === 2 ? [mongoValue([])] : [mongoValue([k]), clause(['$gt'])]))],
    ['6,000 distinct keys, each with a key and a value finding of other rules',
      `[${many.map((k) => `{"${k}":{"__proto__":"__proto__"}}`).join(',')}]`, PROTO,
      many.flatMap((k) => [protoKey([k]), protoValue([k, '__proto__'])])],
  ];
}

test('result lists of every size and shape arrive whole', () => {
  for (const [label, body, mask, expected] of transferCases()) {
    const results = agent.scoreRequestBody(mask, body).resultsList;
    assert.strictEqual(results.length, expected.length, label);
    assert.deepStrictEqual(results, expected, label);
    // Each result holds arrays of its own.
    const arrays = new Set(results.flatMap((r) => [r.path, r.idsList]));
    assert.strictEqual(arrays.size, 2 * results.length, label);
    const clauses = expected.filter((r) => r.idsList[0] === 'MONGO-KEY').map((r) => ({ path: r.path }));
    assert.deepStrictEqual(agent.findMongoComparators(body), clauses.length ? clauses : undefined, label);
  }
});

test('a setter that calls in again while a list is stored gets whole lists, and so does its caller', () => {
  const cases = transferCases();
  const plain = cases.map(([, body, mask]) => agent.scoreRequestBody(mask, body));
  const [, outerBody, outerMask] = cases[1];
  // Where the setter sits, and at which of its calls it calls in again: early, and deep into
  // the outer list.
  const hooks = [
    ['Object.prototype.idsList', Object.prototype, 'idsList', [1, 4000]],
    ['Array.prototype[3]', Array.prototype, '3', [1]],
  ];
  for (const [hookLabel, target, name, when] of hooks) {
    for (let inner = 0; inner < cases.length; ++inner) {
      const label = `${hookLabel}, inner ${cases[inner][0]}`;
      let innerAnswers = [];
      let calls = 0;
      Object.defineProperty(target, name, { configurable: true, set(value) {
        Object.defineProperty(this, name, { value, writable: true, enumerable: true, configurable: true });
        if (when.includes(++calls)) {
          innerAnswers.push(agent.scoreRequestBody(cases[inner][2], cases[inner][1]));
        }
      } });
      let outer;
      try {
        outer = agent.scoreRequestBody(outerMask, outerBody);
      } finally {
        delete target[name];
      }
      assert.deepStrictEqual(outer, plain[1], label);
      assert.strictEqual(innerAnswers.length, when.length, label);
      for (const answer of innerAnswers) assert.deepStrictEqual(answer, plain[inner], label);
    }
  }
});

test('a setter that throws fails the call, and the next calls answer whole lists', () => {
  const cases = transferCases();
  for (const [label, body, mask, expected] of cases) {
    let calls = 0;
    Object.defineProperty(Object.prototype, 'key', { configurable: true, set(value) {
      Object.defineProperty(this, 'key', { value, writable: true, enumerable: true, configurable: true });
      if (++calls === 2) throw new RangeError('refused');
    } });
    try {
      assert.throws(() => agent.scoreRequestBody(mask, body), Error, label);
    } finally {
      delete Object.prototype.key;
    }
    assert.deepStrictEqual(agent.scoreRequestBody(mask, body).resultsList, expected, label);
  }
});

test('values of repeated, displaced and multi-finding texts answer as each alone, at every log level', (t) => {
  // Texts that share their length and first and last bytes push each other out of the body's
  // table of answers, so a text recurs with findings of its own as well as shared ones; some
  // have findings of two rules; each appears as a value and as a key, and next to itself.
  const texts = ['eval(1)', 'eval(2)', 'eval(3)', '__proto__', '../a', '../b', "' or 1=1--",
    "' or 2=2--", '<script>alert(1)</script>', '<script>alert(2)</script>', 'plain'];
  let seed = 31;
  const random = (n) => { seed = (seed * 1103515245 + 12345) % 2147483648; return seed % n; };
  const element = () => {
    const text = JSON.stringify(texts[random(texts.length)]);
    switch (random(4)) {
      case 0: return `{"k":${text}}`;
      case 1: return `{${text}:${text}}`;
      case 2: return `[${text},${text}]`;
      default: return text;
    }
  };
  const bodies = Array.from({ length: 12 }, (_, round) =>
    `[${Array.from({ length: round < 10 ? 40 : 1500 }, element).join(',')}]`);
  const answers = bodies.map((body) => agent.scoreRequestBody(1023, body).resultsList);
  for (const [i, body] of bodies.entries()) {
    const elements = JSON.parse(body).map((value) => JSON.stringify(value));
    const expected = elements.flatMap((e) => agent.scoreRequestBody(1023, `[${e}]`).resultsList || []);
    assert.deepStrictEqual(answers[i], expected, body);
  }
  // At the debug level every text is evaluated on its own: the same results.
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'quenlith-json-'));
  t.after(() => fs.rmSync(dir, { recursive: true, force: true }));
  const script = `
    const { Agent } = require(${JSON.stringify(path.join(__dirname, '..'))});
    const agent = new Agent({ enableLogging: true, logLevel: 'debug', logDir: ${JSON.stringify(dir)} });
    const bodies = JSON.parse(require('node:fs').readFileSync(0, 'utf8'));
    process.stdout.write(JSON.stringify(bodies.map((body) => agent.scoreRequestBody(1023, body).resultsList)));
  `;
  const child = spawnSync(process.execPath, ['-e', script],
    { input: JSON.stringify(bodies.slice(0, 10)), encoding: 'utf8', maxBuffer: 1 << 28 });
  assert.strictEqual(child.stderr, '');
  assert.deepStrictEqual(JSON.parse(child.stdout), answers.slice(0, 10));
});
