'use strict';
// The bindings layer reached through a test-only addon built beside the module: the reader
// of text arguments, errors thrown with their whole reason, and the guard.
const test = require('node:test');
const assert = require('node:assert');
const path = require('node:path');

const probe = require(path.join(__dirname, '..', process.env.QUENLITH_BUILD_DIR || 'build',
  'quenlith_bindings_probe.node'));

function throwsBinding(fn, code, message) {
  assert.throws(fn, (error) => {
    assert.ok(error instanceof Error);
    assert.strictEqual(error.code, code);
    assert.strictEqual(error.message, message);
    return true;
  });
}

const DATA = 'data must be a string, String object or Buffer with utf8 encoding';
const OBJECT = 'object must be a String object or utf8 buffer';

test('text arguments: strings and String objects up to their first NUL, Buffers whole', () => {
  class Sub extends String {}
  const cases = [
    ['abc', 'abc'],
    ['', ''],
    ['ab\0cd', 'ab'],
    ['\0', ''],
    ['caf\u00e9 \u20ac \u{1F600}', 'caf\u00e9 \u20ac \u{1F600}'],
    [new String('abc'), 'abc'],
    [new String('ab\0cd'), 'ab'],
    [new Sub('sub'), 'sub'],
    [Buffer.from('ab\0cd'), 'ab\0cd'],
    [Buffer.alloc(0), ''],
    [Buffer.from('caf\u00e9'), 'caf\u00e9'],
    // A lone surrogate is converted by the engine, so the copy is valid UTF-8.
    ['a\ud800b', 'a\ufffdb'],
  ];
  for (const [value, text] of cases) {
    assert.strictEqual(probe.readText(value), text, JSON.stringify(String(value)));
  }
});

test('text arguments: invalid Buffers and other values fail with InvalidArg', () => {
  const cases = [
    [Buffer.from([0xff]), 'buffer must be utf8 encoded: invalid utf-8 sequence of 1 bytes from index 0'],
    [Buffer.from([0xe2, 0x82]), 'buffer must be utf8 encoded: incomplete utf-8 byte sequence from index 0'],
    [Buffer.from([0x61, 0x62, 0xe2, 0x28, 0xa1]),
      'buffer must be utf8 encoded: invalid utf-8 sequence of 1 bytes from index 2'],
    [Buffer.from([0x61, 0xf0, 0x9f, 0x98]),
      'buffer must be utf8 encoded: incomplete utf-8 byte sequence from index 1'],
    [Buffer.from([0xed, 0xa0, 0x80]), 'buffer must be utf8 encoded: invalid utf-8 sequence of 1 bytes from index 0'],
    [{}, OBJECT],
    [[], OBJECT],
    [new Map(), OBJECT],
    [new ArrayBuffer(2), OBJECT],
    [{ toString: () => 'abc' }, OBJECT],
    [Object.create(null), OBJECT],
    [5, DATA],
    [undefined, DATA],
    [null, DATA],
    [true, DATA],
    [Symbol('s'), DATA],
    [10n, DATA],
    [() => 'abc', DATA],
  ];
  for (const [value, message] of cases) {
    throwsBinding(() => probe.readText(value), 'InvalidArg', message);
  }
  throwsBinding(() => probe.readText(), 'InvalidArg', DATA);  // the slot holds undefined
});

test('text arguments: bytes are not validated', () => {
  const bytes = (value) => [...new Uint8Array(probe.readBytes(value))];
  assert.deepStrictEqual(bytes(Buffer.from([0xff, 0x00, 0x41])), [0xff, 0x00, 0x41]);
  assert.deepStrictEqual(bytes('ab\0cd'), [0x61, 0x62]);
  assert.deepStrictEqual(bytes(new String('\u00e9')), [0xc3, 0xa9]);
  assert.deepStrictEqual(bytes(Buffer.alloc(0)), []);
});

test('text arguments: the index is checked against the capacity, not the count', () => {
  assert.strictEqual(probe.readAt(1, 'x'), 'x');
  throwsBinding(() => probe.readAt(1), 'InvalidArg', DATA);
  throwsBinding(() => probe.readAt(2, 'x', 'y'), 'GenericFailure', 'Arguments index out of range');
  throwsBinding(() => probe.readAt(4000000000), 'GenericFailure', 'Arguments index out of range');
  throwsBinding(() => probe.readAt('1'), 'NumberExpected', '');
});

test('text arguments: String objects go through the global String and its coercion', () => {
  const odd = new String('abc');
  odd.toString = () => 'replaced';
  assert.strictEqual(probe.readText(odd), 'replaced');
  const failing = new String('abc');
  failing.toString = () => { throw new Error('no'); };
  throwsBinding(() => probe.readText(failing), 'StringExpected', '');

  const saved = globalThis.String;
  try {
    globalThis.String = 5;
    throwsBinding(() => probe.readText({}), 'InvalidArg', 'expect Function, got: Number');
  } finally {
    globalThis.String = saved;
  }
});

test('errors carry their whole reason, NUL characters included', () => {
  const cases = [
    [1, 'a\0b', 'InvalidArg'],
    [9, 'unexpected \0 at 3', 'GenericFailure'],
    [9, '', 'GenericFailure'],
    [2, 'caf\u00e9', 'ObjectExpected'],
    [21, 'x', 'WouldDeadlock'],
    [22, 'x', 'Unknown'],
    [0x7fffffff, 'x', 'Unknown'],
  ];
  for (const [status, reason, code] of cases) {
    throwsBinding(() => probe.throwError(status, reason), code, reason);
  }
});

test('a panic inside a guarded body is thrown as GenericFailure and the process goes on', () => {
  throwsBinding(() => probe.panic('static'), 'GenericFailure', 'bad RuleConfig');
  throwsBinding(() => probe.panic('formatted'), 'GenericFailure', 'bad\0state');
  throwsBinding(() => probe.panic('other'), 'GenericFailure',
    'native code panicked with a payload that cannot be shown');
  assert.strictEqual(probe.readText('still alive'), 'still alive');
});
