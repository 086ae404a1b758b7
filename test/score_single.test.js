'use strict';
// scoreAtom and scoreHeader: the rule mask, the text arguments, the input type, the options
// and the findings they answer.
const test = require('node:test');
const assert = require('node:assert');
const { inspect } = require('node:util');
const { Agent, constants } = require('..');

const agent = new Agent();
const { RuleType, InputType } = constants;
const ALL = 1023;
const SQLI = "' or 1=1--";
const SQLI_IDS = ['PIDS-SQLI-44A', 'PIDS-SQLI-48H'];
const TRAVERSAL = '../../etc/passwd';
const TRAVERSAL_FINDING = { ruleId: 'path-traversal', score: 90, idsList: ['10A-1-1', '3000-12'] };
const TEXT_KIND = 'data must be a string, String object or Buffer with utf8 encoding';

// The call throws an Error with this code and message.
const fails = (fn, code, message, label) => assert.throws(fn, { name: 'Error', code, message }, label);
const atom = (...args) => agent.scoreAtom(...args);
const header = (...args) => agent.scoreHeader(...args);

test('each of the five pattern rules reports its identifiers through scoreAtom', () => {
  const cases = [
    [RuleType['unsafe-file-upload'], 'shell.php', InputType.MultipartName, 'unsafe-file-upload', ['UFU-1']],
    [RuleType['path-traversal'], TRAVERSAL, InputType.ParameterValue, 'path-traversal', ['10A-1-1', '3000-12']],
    [RuleType['cmd-injection'], '; cat /etc/passwd', InputType.ParameterValue, 'cmd-injection',
      ['PIPE-CAT-PWD', 'PIPE-CHAINED-OPS']],
    [RuleType['nosql-injection-mongo'], "' || '1'=='1", InputType.ParameterValue, 'nosql-injection-mongo',
      ['TRUE-CLAUSE-1']],
    [RuleType['ssjs-injection'], 'require("child_process").exec("ls")', InputType.ParameterValue,
      'ssjs-injection', ['SSJS-I-NODE-0', 'SSJS-EXEC-SPAWN']],
  ];
  for (const [mask, text, type, ruleId, ids] of cases) {
    const findings = atom(mask, text, type);
    assert.ok(Array.isArray(findings), ruleId);
    assert.strictEqual(findings.length, 1, ruleId);
    assert.deepStrictEqual(Object.keys(findings[0]), ['ruleId', 'score', 'idsList'], ruleId);
    assert.strictEqual(findings[0].ruleId, ruleId);
    assert.ok(findings[0].score > 0, ruleId);
    assert.deepStrictEqual(findings[0].idsList, ids, ruleId);
  }
});

test('the mask selects exactly its rules, which run in ascending bit order', () => {
  const text = `x${SQLI}; cat /etc/passwd`;
  const ruleIds = (mask) => (atom(mask, text, InputType.ParameterValue) || []).map((f) => f.ruleId);
  assert.deepStrictEqual(ruleIds(ALL), ['path-traversal', 'sql-injection', 'cmd-injection']);
  // Listing the bits high to low in the mask changes nothing: the order is the bit order.
  assert.deepStrictEqual(ruleIds(16 | 8 | 2), ['path-traversal', 'sql-injection', 'cmd-injection']);
  assert.deepStrictEqual(ruleIds(8), ['sql-injection']);
  assert.deepStrictEqual(ruleIds(16), ['cmd-injection']);
  assert.deepStrictEqual(ruleIds(1 | 4 | 32), []);
});

test('the mask drops its fraction', () => {
  // 3.7 and 2.2 select path-traversal; 1.9 selects only unsafe-file-upload.
  assert.deepStrictEqual(atom(3.7, TRAVERSAL, InputType.ParameterValue), [TRAVERSAL_FINDING]);
  assert.deepStrictEqual(atom(2.2, TRAVERSAL, InputType.ParameterValue), [TRAVERSAL_FINDING]);
  assert.strictEqual(atom(1.9, TRAVERSAL, InputType.ParameterValue), undefined);
});

test('bad masks fail in both methods with the mask shown as unsigned 64 bits', () => {
  const cases = [
    [NaN, 'invalid rule mask 0'], [0, 'invalid rule mask 0'], [0.5, 'invalid rule mask 0'],
    [-0.5, 'invalid rule mask 0'], [Infinity, 'invalid rule mask 0'], [-Infinity, 'invalid rule mask 0'],
    [1024, 'invalid rule mask 1024'], [1025, 'invalid rule mask 1025'],
    [-1, 'invalid rule mask 18446744073709551615'], [-1024, 'invalid rule mask 18446744073709550592'],
    ['8', 'rules must be a number'], [new Number(8), 'rules must be a number'],
    [null, 'rules must be a number'], [undefined, 'rules must be a number'],
    [8n, 'rules must be a number'], [true, 'rules must be a number'],
  ];
  for (const [mask, message] of cases) {
    fails(() => atom(mask, 'x', InputType.ParameterValue), 'InvalidArg', message, `atom ${String(mask)}`);
    fails(() => header(mask, 'X-A', 'x'), 'InvalidArg', message, `header ${String(mask)}`);
  }
  fails(() => atom(), 'InvalidArg', 'rules must be a number', 'no arguments');
});

test('scoreAtom reads the input type as an integer from 1 to 14', () => {
  assert.deepStrictEqual(atom(2, TRAVERSAL, 9.9), [TRAVERSAL_FINDING]);
  assert.strictEqual(atom(ALL, 'hello', InputType.RawBody), undefined);
  const cases = [
    [15, 'InvalidArg', 'invalid input type: 15'],
    [0, 'InvalidArg', 'invalid input type: 0'],
    [0.9, 'InvalidArg', 'invalid input type: 0'],
    [NaN, 'InvalidArg', 'invalid input type: 0'],
    [-1, 'InvalidArg', 'invalid input type: 18446744073709551615'],
    [256 + 9, 'InvalidArg', 'invalid input type: 265'],
    ['9', 'NumberExpected', ''],
    [undefined, 'NumberExpected', ''],
    [null, 'NumberExpected', ''],
  ];
  for (const [type, code, message] of cases) {
    fails(() => atom(ALL, 'x', type), code, message, String(type));
  }
  fails(() => atom(ALL, 'x'), 'NumberExpected', '', 'input type left out');
  // The value is read before the input type.
  fails(() => atom(ALL, 5, 15), 'InvalidArg', TEXT_KIND, 'value first');
});

test('scoreHeader wants three arguments before it looks at the mask', () => {
  for (const args of [[], [ALL], [ALL, 'User-Agent'], ['not a mask', 'User-Agent']]) {
    fails(() => header(...args), 'InvalidArg',
      'requires rules, header name, and header value arguments', `${args.length} arguments`);
  }
  // Passed as undefined, the value is an argument all the same and fails as text.
  fails(() => header(ALL, 'X-A', undefined), 'InvalidArg', TEXT_KIND, 'undefined value');
});

test('text arguments: strings end at U+0000, String objects and Buffers are read', () => {
  const hidden = `x\u0000${TRAVERSAL}`;
  const cases = [
    ['string', TRAVERSAL, [TRAVERSAL_FINDING]],
    ['string cut at NUL', hidden, undefined],
    ['String object', new String(TRAVERSAL), [TRAVERSAL_FINDING]],
    ['String object cut at NUL', new String(hidden), undefined],
    ['Buffer', Buffer.from(TRAVERSAL), [TRAVERSAL_FINDING]],
    ['Buffer read whole', Buffer.from(hidden), [TRAVERSAL_FINDING]],
    ['Uint8Array view of a Buffer', Buffer.from(`..${TRAVERSAL}`).subarray(2), [TRAVERSAL_FINDING]],
    ['empty Buffer', Buffer.alloc(0), undefined],
  ];
  for (const [label, value, expected] of cases) {
    assert.deepStrictEqual(atom(ALL, value, InputType.ParameterValue), expected, `atom: ${label}`);
  }
  const headerCases = [
    ['string', 'X-Forwarded', SQLI, true],
    ['value cut at NUL', 'X-Forwarded', `ok\u0000${SQLI}`, false],
    ['Buffer value', Buffer.from('X-Forwarded'), Buffer.from(SQLI), true],
    ['String object value', new String('X-Forwarded'), new String(SQLI), true],
  ];
  for (const [label, name, value, found] of headerCases) {
    const findings = header(8, name, value);
    assert.deepStrictEqual(findings, found ? [{ ruleId: 'sql-injection', score: 90, idsList: SQLI_IDS }] : undefined,
      `header: ${label}`);
  }
});

test('text arguments of the wrong kind or not UTF-8 fail with their messages', () => {
  const cases = [
    [Buffer.from([0xff]), 'buffer must be utf8 encoded: invalid utf-8 sequence of 1 bytes from index 0'],
    [Buffer.from([0x61, 0xe2, 0x82]), 'buffer must be utf8 encoded: incomplete utf-8 byte sequence from index 1'],
    [Buffer.from([0xe2, 0x82]), 'buffer must be utf8 encoded: incomplete utf-8 byte sequence from index 0'],
    [Buffer.from([0x61, 0x62, 0xc0, 0x80]), 'buffer must be utf8 encoded: invalid utf-8 sequence of 1 bytes from index 2'],
    [{}, 'object must be a String object or utf8 buffer'],
    [[], 'object must be a String object or utf8 buffer'],
    [5, TEXT_KIND], [undefined, TEXT_KIND], [null, TEXT_KIND], [true, TEXT_KIND], [Symbol('s'), TEXT_KIND],
    [() => 'x', TEXT_KIND],
  ];
  for (const [value, message] of cases) {
    const label = `${typeof value} ${String(Buffer.isBuffer(value) ? value.toString('hex') : '')}`;
    fails(() => atom(ALL, value, InputType.ParameterValue), 'InvalidArg', message, `atom ${label}`);
    fails(() => header(ALL, value, 'x'), 'InvalidArg', message, `header name ${label}`);
    fails(() => header(ALL, 'X-A', value), 'InvalidArg', message, `header value ${label}`);
  }
  // The name is read before the value.
  fails(() => header(ALL, 5, Buffer.from([0xff])), 'InvalidArg', TEXT_KIND, 'name first');
});

test('preferWorthWatching follows JavaScript truthiness, own or inherited', () => {
  // With the flag the SQL rule only pre-screens: score 10 and no identifiers.
  const watched = [{ ruleId: 'sql-injection', score: 10, idsList: [] }];
  const matched = [{ ruleId: 'sql-injection', score: 90, idsList: SQLI_IDS }];
  const cases = [
    [{ preferWorthWatching: true }, watched],
    [{ preferWorthWatching: 'false' }, watched],
    [{ preferWorthWatching: '0' }, watched],
    [{ preferWorthWatching: {} }, watched],
    [{ preferWorthWatching: [] }, watched],
    [{ preferWorthWatching: 1 }, watched],
    [{ preferWorthWatching: -1n }, watched],
    [Object.create({ preferWorthWatching: true }), watched],
    [{}, matched],
    [{ preferWorthWatching: false }, matched],
    [{ preferWorthWatching: 0 }, matched],
    [{ preferWorthWatching: -0 }, matched],
    [{ preferWorthWatching: NaN }, matched],
    [{ preferWorthWatching: '' }, matched],
    [{ preferWorthWatching: null }, matched],
    [{ preferWorthWatching: undefined }, matched],
    [{ preferWorthWatching: 0n }, matched],
    [5, matched],
    ['preferWorthWatching', matched],
    [true, matched],
  ];
  for (const [options, expected] of cases) {
    const label = inspect(options);
    assert.deepStrictEqual(atom(8, SQLI, InputType.ParameterValue, options), expected, `atom ${label}`);
    assert.deepStrictEqual(header(8, 'X-A', SQLI, options), expected, `header ${label}`);
  }
  assert.deepStrictEqual(atom(8, SQLI, InputType.ParameterValue), matched, 'options left out');
  assert.deepStrictEqual(header(8, 'X-A', SQLI), matched, 'options left out');
  // Arguments after the options are ignored.
  assert.deepStrictEqual(atom(8, SQLI, InputType.ParameterValue, {}, { preferWorthWatching: true }), matched);
});

test('options passed as undefined or null fail with ObjectExpected', () => {
  for (const options of [undefined, null]) {
    fails(() => atom(8, SQLI, InputType.ParameterValue, options), 'ObjectExpected', '', `atom ${options}`);
    fails(() => header(8, 'X-A', SQLI, options), 'ObjectExpected', '', `header ${options}`);
  }
});

test('a getter that throws on the options surfaces as a failed call, not a crash', () => {
  const options = { get preferWorthWatching() { throw new Error('boom'); } };
  assert.throws(() => atom(8, SQLI, InputType.ParameterValue, options), (error) => {
    assert.strictEqual(typeof error.code, 'string');
    return true;
  });
  // The next call works.
  assert.strictEqual(atom(8, 'plain', InputType.ParameterValue), undefined);
});

test('nothing found answers undefined, not an empty array', () => {
  assert.strictEqual(atom(ALL, 'hello world', InputType.ParameterValue), undefined);
  assert.strictEqual(atom(ALL, '', InputType.ParameterValue), undefined);
  assert.strictEqual(header(ALL, 'Accept', 'text/html'), undefined);
  assert.strictEqual(header(ALL, 'X-Empty', ''), undefined);
  // A rule that does not apply to the input type finds nothing.
  assert.strictEqual(atom(RuleType['unsafe-file-upload'], 'shell.php', InputType.ParameterValue), undefined);
});

test('scoreHeader reports a bad bot in User-Agent when the bot-blocker bit is set', () => {
  const bot = [{ ruleId: 'bot-blocker', score: 90, idsList: ['Nikto'] }];
  assert.deepStrictEqual(header(RuleType['bot-blocker'], 'User-Agent', 'Mozilla/5.0 Nikto/2.1.6'), bot);
  assert.deepStrictEqual(header(ALL, 'user-agent', 'Mozilla/5.0 Nikto/2.1.6'), bot);
  assert.strictEqual(header(ALL & ~RuleType['bot-blocker'], 'User-Agent', 'Mozilla/5.0 Nikto/2.1.6'), undefined);
  assert.strictEqual(header(ALL, 'User-Agent', 'Mozilla/5.0 (X11; Linux x86_64) Firefox/120.0'), undefined);
});

test('each call answers fresh arrays', () => {
  const first = atom(2, TRAVERSAL, InputType.ParameterValue);
  first[0].idsList.push('changed');
  first.push('extra');
  assert.deepStrictEqual(atom(2, TRAVERSAL, InputType.ParameterValue), [TRAVERSAL_FINDING]);
});
