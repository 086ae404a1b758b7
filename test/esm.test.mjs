// The ES-module entry, imported by the package's name as a dependent project would: named
// and default exports are the very objects that require() gives.
import test from 'node:test';
import assert from 'node:assert';
import { createRequire } from 'node:module';
import quenlith, { Agent, doNothing, constants } from 'quenlith_node';
import * as namespace from 'quenlith_node';

const native = createRequire(import.meta.url)('quenlith_node');

test('named and default imports are the objects of require()', () => {
  assert.strictEqual(quenlith, native);
  assert.strictEqual(Agent, native.Agent);
  assert.strictEqual(doNothing, native.doNothing);
  assert.strictEqual(constants, native.constants);
  assert.deepStrictEqual(Object.keys(namespace).sort(), ['Agent', 'constants', 'default', 'doNothing']);
});

test('an Agent from the ES-module entry scores', () => {
  const agent = new Agent();
  const findings = agent.scoreAtom(constants.RuleType['sql-injection'], "1' OR '1'='1",
    constants.InputType.ParameterValue);
  assert.strictEqual(findings?.[0]?.ruleId, 'sql-injection');
  assert.deepStrictEqual(doNothing(), { trackRequest: false });
});
