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

// The parsed declarations, with the name of a member and the type of `constants`.
function parseDeclarations() {
  requireTypescript();
  const ts = require(path.join(root, 'node_modules', 'typescript'));
  const source = ts.createSourceFile('index.d.ts', fs.readFileSync(declarationsPath, 'utf8'),
    ts.ScriptTarget.ES2020, true);
  const nameOf = (node) => (ts.isStringLiteral(node.name) ? node.name.text : node.name.getText(source));
  const constantsType = source.statements.find((s) => ts.isVariableStatement(s))
    .declarationList.declarations.find((d) => d.name.text === 'constants').type;
  return { ts, source, nameOf, constantsType };
}

// The CommonJS usage file imports the package by its path, the ES-module one by its name
// (through the package's exports map, as a dependent project would).
for (const project of ['typings', path.join('typings', 'esm')]) {
  test(`the usage file of test/${project} compiles against the declarations`, () => {
    requireTypescript();
    try {
      execFileSync(process.execPath, [tscPath, '--noEmit', '-p', path.join(__dirname, project, 'tsconfig.json')],
        { cwd: root, encoding: 'utf8', stdio: 'pipe' });
    } catch (e) {
      assert.fail(`tsc failed:\n${e.stdout}${e.stderr}`);
    }
  });
}

test('the declarations name the methods and constants of the module', () => {
  const { ts, source, nameOf, constantsType } = parseDeclarations();
  const { Agent, constants } = require('..');
  const { METHODS } = require(path.join(root, 'bench', 'support', 'workload.js'));

  const agentClass = source.statements.find((s) => ts.isClassDeclaration(s) && s.name.text === 'Agent');
  // Overloads repeat a name next to each other; the order is that of the first signatures.
  const declared = [...new Set(agentClass.members.filter(ts.isMethodDeclaration).map(nameOf))];
  assert.deepStrictEqual(declared, METHODS);
  const present = Object.getOwnPropertyNames(Agent.prototype).filter((n) => n !== 'constructor');
  assert.deepStrictEqual(present.filter((m) => !declared.includes(m)), [], 'methods without a declaration');

  // The literal type of every constant, group by group and in order.
  const groups = Object.fromEntries(constantsType.members.map((group) => [nameOf(group),
    group.type.members.map((m) => [nameOf(m), Number(m.type.literal.text)])]));
  const actual = Object.fromEntries(Object.entries(constants).map(([g, values]) => [g, Object.entries(values)]));
  assert.deepStrictEqual(groups, actual);
});

test('constants are declared read-only exactly where the module keeps them from being written', () => {
  const { ts, nameOf, constantsType } = parseDeclarations();
  const { constants } = require('..');
  const isReadonly = (member) => (member.modifiers ?? []).some((m) => m.kind === ts.SyntaxKind.ReadonlyKeyword);

  const declared = [];
  const actual = [];
  for (const group of constantsType.members) {
    declared.push([nameOf(group), isReadonly(group)]);
    actual.push([nameOf(group), !Object.getOwnPropertyDescriptor(constants, nameOf(group)).writable]);
    for (const member of group.type.members) {
      const key = `${nameOf(group)}.${nameOf(member)}`;
      declared.push([key, isReadonly(member)]);
      actual.push([key, !Object.getOwnPropertyDescriptor(constants[nameOf(group)], nameOf(member)).writable]);
    }
  }
  assert.deepStrictEqual(declared, actual);
});
