'use strict';
// Which module file the package loads: the build tree in a git checkout (QUENLITH_BUILD_DIR
// there only), otherwise the source-built module, then the prebuilt one of the host.
const test = require('node:test');
const assert = require('node:assert');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { detectLibc, locateModule } = require('../lib/locate.js');

// A package directory holding the given files (empty ones); `.git` marks a checkout.
function fixture(t, files) {
  const root = fs.mkdtempSync(path.join(os.tmpdir(), 'quenlith-locate-'));
  t.after(() => fs.rmSync(root, { recursive: true, force: true }));
  for (const file of files) {
    fs.mkdirSync(path.join(root, path.dirname(file)), { recursive: true });
    fs.writeFileSync(path.join(root, file), '');
  }
  return root;
}

const linuxGlibc = { platform: 'linux', arch: 'x64', libc: 'glibc', env: {} };
const allPrebuilds = [
  'prebuilds/linux-x64/quenlith_node.napi.glibc.node',
  'prebuilds/linux-x64/quenlith_node.napi.musl.node',
  'prebuilds/linux-arm64/quenlith_node.napi.glibc.node',
  'prebuilds/darwin-x64/quenlith_node.napi.node',
  'prebuilds/win32-x64/quenlith_node.napi.node',
];

test('an installed package loads the module of its host, whatever the environment says', (t) => {
  const cases = [
    ['glibc Linux', allPrebuilds, linuxGlibc, 'prebuilds/linux-x64/quenlith_node.napi.glibc.node'],
    ['musl Linux', allPrebuilds, { ...linuxGlibc, libc: 'musl' },
      'prebuilds/linux-x64/quenlith_node.napi.musl.node'],
    ['AArch64 Linux', allPrebuilds, { ...linuxGlibc, arch: 'arm64' },
      'prebuilds/linux-arm64/quenlith_node.napi.glibc.node'],
    ['macOS', allPrebuilds, { platform: 'darwin', arch: 'x64', libc: undefined, env: {} },
      'prebuilds/darwin-x64/quenlith_node.napi.node'],
    ['Windows', allPrebuilds, { platform: 'win32', arch: 'x64', libc: undefined, env: {} },
      'prebuilds/win32-x64/quenlith_node.napi.node'],
    ['an untagged C library serves either', ['prebuilds/linux-x64/quenlith_node.napi.node'],
      { ...linuxGlibc, libc: 'musl' }, 'prebuilds/linux-x64/quenlith_node.napi.node'],
    ['the tagged file wins over the untagged one',
      ['prebuilds/linux-x64/quenlith_node.napi.node', 'prebuilds/linux-x64/quenlith_node.napi.glibc.node'],
      linuxGlibc, 'prebuilds/linux-x64/quenlith_node.napi.glibc.node'],
    ['the module built from source comes first',
      ['build/Release/quenlith_node.node', ...allPrebuilds], linuxGlibc, 'build/Release/quenlith_node.node'],
    ['development settings do not apply',
      ['build/quenlith_node.node', 'dev/quenlith_node.node', ...allPrebuilds],
      { ...linuxGlibc, env: { QUENLITH_BUILD_DIR: 'dev' } },
      'prebuilds/linux-x64/quenlith_node.napi.glibc.node'],
  ];
  for (const [name, files, host, expected] of cases) {
    const root = fixture(t, files);
    assert.strictEqual(locateModule(root, host), path.join(root, expected), name);
  }
});

test('an installed package without a module for its host says so', (t) => {
  const cases = [
    ['no prebuilds at all', [], linuxGlibc, 'linux-x64 (glibc)'],
    ['only the other C library', ['prebuilds/linux-x64/quenlith_node.napi.musl.node'], linuxGlibc,
      'linux-x64 (glibc)'],
    ['only another architecture', allPrebuilds, { ...linuxGlibc, arch: 'riscv64' }, 'linux-riscv64 (glibc)'],
    ['not a Node-API build', ['prebuilds/linux-x64/quenlith_node.abi115.glibc.node'], linuxGlibc,
      'linux-x64 (glibc)'],
    ['another module of the same folder', ['prebuilds/linux-x64/other.napi.glibc.node'], linuxGlibc,
      'linux-x64 (glibc)'],
    ['a build tree is no prebuild', ['build/quenlith_node.node'], linuxGlibc, 'linux-x64 (glibc)'],
  ];
  for (const [name, files, host, described] of cases) {
    const result = locateModule(fixture(t, files), host);
    assert.ok(result instanceof Error, name);
    assert.match(result.message, new RegExp(`no prebuilt module for ${described.replace(/[()]/g, '\\$&')} `), name);
    assert.match(result.message, /npm install --build-from-source/, name);
  }
});

test('a git checkout loads only its build tree, which QUENLITH_BUILD_DIR may name', (t) => {
  const files = ['.git', 'build/quenlith_node.node', 'build-asan/quenlith_node.node', ...allPrebuilds,
    'build/Release/quenlith_node.node'];
  const cases = [
    [{}, 'build/quenlith_node.node'],
    [{ QUENLITH_BUILD_DIR: '' }, 'build/quenlith_node.node'],
    [{ QUENLITH_BUILD_DIR: 'build-asan' }, 'build-asan/quenlith_node.node'],
  ];
  const root = fixture(t, files);
  for (const [env, expected] of cases) {
    assert.strictEqual(locateModule(root, { ...linuxGlibc, env }), path.join(root, expected), JSON.stringify(env));
  }
  const missing = locateModule(root, { ...linuxGlibc, env: { QUENLITH_BUILD_DIR: 'build-none' } });
  assert.ok(missing instanceof Error);
  assert.match(missing.message, /build-none.quenlith_node\.node is missing; build it with `npm test`/);
});

test('the C library of this process is the one its libraries name', () => {
  const libc = detectLibc();
  if (process.platform !== 'linux') {
    assert.strictEqual(libc, undefined);
    return;
  }
  const maps = fs.readFileSync('/proc/self/maps', 'latin1');
  assert.strictEqual(libc, /ld-musl-/.test(maps) ? 'musl' : 'glibc');
  assert.strictEqual(detectLibc('darwin'), undefined);
});
