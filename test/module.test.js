'use strict';
// The module's exports, constants, doNothing and the Agent constructor's option checks.
const test = require('node:test');
const assert = require('node:assert');

// Logging stays off in this process whatever the developer's environment says.
for (const name of ['QUENLITH_SORVANE_LOG_LEVEL', 'QUENLITH_SORVANE_LOG_DIR', 'SPDLOG_LEVEL']) {
  delete process.env[name];
}
const mod = require('..');
const { Agent, doNothing, constants } = mod;

test('exports Agent, doNothing and constants in creation order', () => {
  assert.deepStrictEqual(Object.keys(mod), ['Agent', 'doNothing', 'constants']);
  assert.strictEqual(typeof Agent, 'function');
  assert.strictEqual(Agent.name, 'Agent');
  assert.strictEqual(typeof doNothing, 'function');
});

test('constants hold the rule, input type and database numbers in value order', () => {
  assert.deepStrictEqual(Object.keys(constants), ['RuleType', 'InputType', 'DbType']);
  const expected = {
    RuleType: [
      ['unsafe-file-upload', 1], ['path-traversal', 2], ['reflected-xss', 4],
      ['sql-injection', 8], ['cmd-injection', 16], ['nosql-injection-mongo', 32],
      ['bot-blocker', 64], ['ssjs-injection', 128], ['method-tampering', 256],
      ['prototype-pollution', 512],
    ],
    InputType: [
      ['CookieName', 1], ['CookieValue', 2], ['HeaderKey', 3], ['HeaderValue', 4],
      ['JsonKey', 5], ['JsonValue', 6], ['Method', 7], ['ParameterKey', 8],
      ['ParameterValue', 9], ['UriPath', 10], ['UrlParameter', 11], ['MultipartName', 12],
      ['XmlValue', 13], ['RawBody', 14],
    ],
    DbType: [
      ['DB2', 1], ['MySQL', 2], ['Oracle', 3], ['Postgres', 4], ['Sqlite', 5],
      ['SqlServer', 6], ['Unknown', 7],
    ],
  };
  for (const [group, entries] of Object.entries(expected)) {
    // Entry order is property order; every value is a plain number.
    assert.deepStrictEqual(Object.entries(constants[group]), entries, group);
  }
  assert.ok(!('FirstInvalid' in constants.InputType));
  assert.ok(!('invalid-rule' in constants.RuleType));
});

test('doNothing returns a fresh { trackRequest: false } whatever it is passed', () => {
  const first = doNothing();
  assert.deepStrictEqual(first, { trackRequest: false });
  assert.deepStrictEqual(Object.keys(first), ['trackRequest']);
  first.trackRequest = true;
  first.extra = 1;
  const second = doNothing(1, 'two', { three: 3 });
  assert.notStrictEqual(second, first);
  assert.deepStrictEqual(second, { trackRequest: false });
});

test('Agent accepts no options, empty options and primitives as defaults', () => {
  const cases = [[], [{}], [5], ['text'], [true], [{ enableLogging: false }],
    [{ logLevel: 'DEBUG' }], [{ logLevel: 'off' }], [{ logLevel: 'verbose' }], [{ logLevel: '' }],
    [Object.create(null)], [[]], [{ unrelated: 1 }]];
  for (const args of cases) {
    const agent = new Agent(...args);
    assert.ok(agent instanceof Agent, JSON.stringify(args));
  }
});

test('Agent rejects bad options with the status code and message', () => {
  const throwingGetter = {};
  Object.defineProperty(throwingGetter, 'logDir', { get() { throw new Error('boom'); } });
  const throwingProxy = new Proxy({}, { has() { throw new Error('trap'); } });
  const cases = [
    [undefined, 'ObjectExpected', ''],
    [null, 'ObjectExpected', ''],
    [{ enableLogging: 'yes' }, 'InvalidArg', 'expect Boolean, got: String'],
    [{ enableLogging: 1 }, 'InvalidArg', 'expect Boolean, got: Number'],
    [{ enableLogging: null }, 'InvalidArg', 'expect Boolean, got: Null'],
    [{ enableLogging: undefined }, 'InvalidArg', 'expect Boolean, got: Undefined'],
    [{ enableLogging: 1n }, 'InvalidArg', 'expect Boolean, got: Unknown'],
    [{ enableLogging: new Boolean(true) }, 'InvalidArg', 'expect Boolean, got: Object'],
    [{ logDir: 5 }, 'InvalidArg', 'expect String, got: Number'],
    [{ logDir: undefined }, 'InvalidArg', 'expect String, got: Undefined'],
    [{ logDir: new String('.') }, 'InvalidArg', 'expect String, got: Object'],
    [{ logDir: Symbol('d') }, 'InvalidArg', 'expect String, got: Symbol'],
    [{ logLevel: 3 }, 'InvalidArg', 'expect String, got: Number'],
    [{ logLevel: () => 'info' }, 'InvalidArg', 'expect String, got: Function'],
    // Inherited properties count.
    [Object.create({ logDir: false }), 'InvalidArg', 'expect String, got: Boolean'],
    // The first failing option ends the read.
    [{ logLevel: 1, logDir: 2, enableLogging: 'x' }, 'InvalidArg', 'expect Boolean, got: String'],
    // An exception raised by JavaScript during a read gives the failed call's status.
    [throwingGetter, 'GenericFailure', ''],
    [throwingProxy, 'GenericFailure', ''],
  ];
  for (const [options, code, message] of cases) {
    assert.throws(() => new Agent(options), (error) => {
      assert.ok(error instanceof Error);
      assert.strictEqual(error.code, code, String(message));
      assert.strictEqual(error.message, message);
      return true;
    });
  }
});

test('every kind of JavaScript value as options throws or constructs, never crashes', () => {
  const values = [undefined, null, true, 0, -0, NaN, 1n, '', 'x', Symbol('s'), () => {}, [],
    [1, 2], new Map(), new Date(0), /re/, Buffer.from('ab'), new ArrayBuffer(4),
    new Proxy({}, {}), Object.create(null), new String('s'), Promise.resolve(), new WeakMap()];
  for (const value of values) {
    try {
      assert.ok(new Agent(value) instanceof Agent);
    } catch (error) {
      assert.ok(error instanceof Error);
      assert.strictEqual(typeof error.code, 'string');
    }
  }
});

test('calling Agent without new, or on another receiver, throws or constructs', () => {
  for (const call of [() => Agent(), () => Agent(), () => Agent.call({}), () => Agent.call(5),
    () => Reflect.construct(Agent, [{}], Object)]) {
    try {
      call();
    } catch (error) {
      assert.ok(error instanceof Error);
      assert.strictEqual(typeof error.code, 'string');
    }
  }
});

test('Agent without new throws InvalidArg, reads no option and changes nothing', () => {
  const NEEDS_NEW = 'Agent must be called with new';
  let optionReads = 0;
  const options = { get enableLogging() { optionReads += 1; return true; }, logDir: '/no/such/dir' };
  const globalKeys = Reflect.ownKeys(globalThis);
  const calls = [
    ['Agent()', () => Agent()],
    ['Agent(options)', () => Agent(options)],
    ['Agent(undefined)', () => Agent(undefined)],
    ['Agent.call({})', () => Agent.call({})],
    ['Agent.call(5)', () => Agent.call(5)],
    ['Agent.call(globalThis)', () => Agent.call(globalThis)],
    ['Agent.apply(null, [options])', () => Agent.apply(null, [options])],
    ['Reflect.apply', () => Reflect.apply(Agent, {}, [options])],
    ['bound', () => Agent.bind(null, options)()],
  ];
  // Twice each: a first call must not leave anything that changes the second.
  for (const round of [1, 2]) {
    for (const [name, call] of calls) {
      assert.throws(call, (error) => error instanceof Error && error.code === 'InvalidArg' &&
        error.message === NEEDS_NEW, `${name}, round ${round}`);
    }
  }
  assert.strictEqual(optionReads, 0);
  assert.deepStrictEqual(Reflect.ownKeys(globalThis), globalKeys);

  // Construction works as before, by every way of constructing.
  class Sub extends Agent {}
  const constructed = [new Agent(), new Agent({}), new Sub(), Reflect.construct(Agent, [{}]),
    Reflect.construct(Agent, [], Sub)];
  for (const agent of constructed) assert.ok(agent instanceof Agent);
  assert.ok(constructed[2] instanceof Sub);
  assert.strictEqual(constructed[0].isXssInWholeBody('<script>alert(1)</script>', ['alert(1)']).matchByteIndex, 8);
});
