'use strict';
// The TypeScript declarations: a usage file compiles against them (and the calls it marks
// as errors are rejected), and they declare what the module has.
const test = require('node:test');
const assert = require('node:assert');
const fs = require('node:fs');
const path = require('node:path');
const { execFileSync } = require('node:child_process');

const root = path.join(__dirname, '..');
const tscPath = path.join(root, 'node_modules', 'typescript', 'bin', 'tsc');
const declarationsPath = path.join(root, require(path.join(root, 'package.json')).types);

// scripts/setup installs typescript with the other development packages.
function requireTypescript() {
  assert.ok(fs.existsSync(tscPath), 'typescript is not installed: run npm install (or bash scripts/setup)');
}

test('the usage file compiles against the declarations', () => {
  requireTypescript();
  try {
    execFileSync(process.execPath, [tscPath, '--noEmit', '-p', path.join(__dirname, 'typings', 'tsconfig.json')],
      { cwd: root, encoding: 'utf8', stdio: 'pipe' });
  } catch (e) {
    assert.fail(`tsc failed:\n${e.stdout}${e.stderr}`);
  }
});

test('the declarations name the methods and constants of the module', () => {
  requireTypescript();
  const ts = require(path.join(root, 'node_modules', 'typescript'));
  const { Agent, constants } = require('..');
  const { METHODS } = require(path.join(root, 'bench', 'support', 'workload.js'));
  const source = ts.createSourceFile('index.d.ts', fs.readFileSync(declarationsPath, 'utf8'),
    ts.ScriptTarget.ES2020, true);
  const nameOf = (node) => (ts.isStringLiteral(node.name) ? node.name.text : node.name.getText(source));

  const agentClass = source.statements.find((s) => ts.isClassDeclaration(s) && s.name.text === 'Agent');
  const declared = agentClass.members.filter(ts.isMethodDeclaration).map(nameOf);
  assert.deepStrictEqual(declared, METHODS);
  const present = Object.getOwnPropertyNames(Agent.prototype).filter((n) => n !== 'constructor');
  assert.deepStrictEqual(present.filter((m) => !declared.includes(m)), [], 'methods without a declaration');

  // The literal type of every constant, group by group and in order.
  const constantsDecl = source.statements.find((s) => ts.isVariableStatement(s))
    .declarationList.declarations.find((d) => d.name.text === 'constants');
  const groups = Object.fromEntries(constantsDecl.type.members.map((group) => [nameOf(group),
    group.type.members.map((m) => [nameOf(m), Number(m.type.literal.text)])]));
  const actual = Object.fromEntries(Object.entries(constants).map(([g, values]) => [g, Object.entries(values)]));
  assert.deepStrictEqual(groups, actual);
});
