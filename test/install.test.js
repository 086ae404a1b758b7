'use strict';
// The package's install step, run in a copy of the installed package's own files: a
// prebuilt module that loads builds nothing and needs no tool; without one, or with
// --build-from-source, the missing Debian packages of the module build are named with the
// command that installs them, and the install fails before building anything.
const test = require('node:test');
const assert = require('node:assert');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { spawnSync } = require('node:child_process');
const { detectLibc, locateModule } = require('../lib/locate.js');

const repo = path.join(__dirname, '..');
const built = locateModule(repo);
const host = `${process.platform}-${process.arch}`;
const libc = detectLibc();
const prebuildName = `quenlith_node.napi${libc ? `.${libc}` : ''}.node`;
// The source build's package check asks Debian's dpkg-query, and the fixtures stand in for
// commands with shell scripts: neither exists on Windows.
const noDebian = process.platform === 'win32' && 'the source build checks Debian packages, which Windows has not';

// A package directory with the install step's files and its dependency, and a bin folder that holds only node
// and, when `missing` is given, a dpkg-query that reports those packages as not installed.
function fixture(t, { prebuild, stale = false, missing }) {
  const root = fs.mkdtempSync(path.join(os.tmpdir(), 'quenlith-install-'));
  t.after(() => fs.rmSync(root, { recursive: true, force: true }));
  for (const file of ['package.json', 'lib/locate.js', 'scripts/install.js', 'scripts/module-packages']) {
    fs.mkdirSync(path.join(root, path.dirname(file)), { recursive: true });
    fs.copyFileSync(path.join(repo, file), path.join(root, file));
  }
  // The package's one dependency, as npm installs it.
  fs.mkdirSync(path.join(root, 'node_modules'));
  fs.symlinkSync(path.join(repo, 'node_modules', 'node-api-headers'), path.join(root, 'node_modules', 'node-api-headers'));
  const dir = path.join(root, 'prebuilds', host);
  fs.mkdirSync(dir, { recursive: true });
  if (prebuild === 'working') fs.copyFileSync(built, path.join(dir, prebuildName));
  if (prebuild === 'broken') fs.writeFileSync(path.join(dir, prebuildName), 'not a module');
  if (stale) {
    fs.mkdirSync(path.join(root, 'build', 'Release'), { recursive: true });
    fs.writeFileSync(path.join(root, 'build', 'Release', 'quenlith_node.node'), 'old');
  }
  const bin = path.join(root, 'bin');
  fs.mkdirSync(bin);
  fs.symlinkSync(process.execPath, path.join(bin, 'node'));
  if (missing) {
    fs.writeFileSync(path.join(bin, 'dpkg-query'), `#!/bin/sh
shift 2
for p in "$@"; do
  case " ${missing.join(' ')} " in
    *" $p "*) echo "dpkg-query: no packages found matching $p" >&2 ;;
    *) echo "$p install ok installed" ;;
  esac
done
`, { mode: 0o755 });
  }
  return { root, bin };
}

// A sanitizer build of the module loads only with its runtime preloaded, so that setting
// passes to the install step; nothing else of this process's environment does.
const preload = Object.fromEntries(['LD_PRELOAD', 'ASAN_OPTIONS', 'UBSAN_OPTIONS']
  .filter((name) => process.env[name] !== undefined).map((name) => [name, process.env[name]]));

function install({ root, bin }, env = {}) {
  return spawnSync(process.execPath, [path.join(root, 'scripts', 'install.js')],
    { cwd: root, encoding: 'utf8', env: { PATH: bin, ...preload, ...env } });
}

test('a prebuilt module that loads is used without any tool or build', { skip: !built || built instanceof Error }, (t) => {
  for (const stale of [false, true]) {
    const pkg = fixture(t, { prebuild: 'working', stale });
    const run = install(pkg);
    assert.strictEqual(run.status, 0, run.stderr);
    assert.match(run.stderr, new RegExp(`using the prebuilt module prebuilds.${host}.${prebuildName.replace(/\./g, '\\.')}`));
    // Nothing built, and a module left from an earlier source build no longer shadows it.
    assert.ok(!fs.existsSync(path.join(pkg.root, 'build')), `stale: ${stale}`);
    assert.strictEqual(locateModule(pkg.root), path.join(pkg.root, 'prebuilds', host, prebuildName));
  }
});

test('a source build with missing packages names them and the command, and fails', { skip: noDebian || !built || built instanceof Error }, (t) => {
  const fromSource = { npm_config_build_from_source: 'true' };
  const cases = [
    ['no prebuilt module', undefined, {}, `no prebuilt module for ${host}`],
    ['a prebuilt module that does not load', 'broken', {}, 'the prebuilt module does not load'],
    ['--build-from-source', 'working', fromSource, '--build-from-source'],
    ['--build-from-source naming the package', 'working', { npm_config_build_from_source: 'quenlith_node' },
      '--build-from-source'],
  ];
  for (const [name, prebuild, env, reason] of cases) {
    const pkg = fixture(t, { prebuild, missing: ['libre2-dev', 'g++'] });
    const run = install(pkg, env);
    assert.strictEqual(run.status, 1, name);
    assert.ok(run.stderr.includes(`quenlith_node: ${reason}`), `${name}: ${run.stderr}`);
    assert.ok(run.stderr.includes(
      'quenlith_node: building the module from source needs these missing Debian packages: g++ libre2-dev\n' +
      'quenlith_node: install them as root, then install this package again: ' +
      'apt-get update && apt-get install -y g++ libre2-dev\n'), `${name}: ${run.stderr}`);
    assert.ok(!fs.existsSync(path.join(pkg.root, 'build')), name);
  }
});

test('the packages named are those of the module build only', { skip: noDebian }, (t) => {
  const listed = fs.readFileSync(path.join(repo, 'scripts', 'module-packages'), 'utf8').split('\n')
    .filter((line) => line && !line.startsWith('#'));
  const pkg = fixture(t, { missing: listed });
  const run = install(pkg);
  assert.strictEqual(run.status, 1);
  const named = run.stderr.match(/missing Debian packages: (.*)\n/)[1].split(' ');
  assert.deepStrictEqual(named, listed);
  for (const development of ['libgtest-dev', 'libbenchmark-dev', 'clang', 'libgmock-dev']) {
    assert.ok(!named.includes(development), development);
  }
});

test('without dpkg and without CMake the source build fails with what it needs', { skip: noDebian }, (t) => {
  const pkg = fixture(t, {});
  const run = install(pkg);
  assert.strictEqual(run.status, 1);
  assert.match(run.stderr, /quenlith_node: the source build failed; the module build needs CMake, Ninja, a C\+\+20 compiler/);
  assert.match(run.stderr, /on Debian: apt-get install -y cmake ninja-build g\+\+ /);
  assert.ok(!fs.existsSync(path.join(pkg.root, 'build', 'Release')));
});
