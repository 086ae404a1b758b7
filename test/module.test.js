'use strict';
const test = require('node:test');
const assert = require('node:assert');

test('the module loads', () => {
  const mod = require('..');
  assert.strictEqual(typeof mod, 'object');
});
