'use strict';
// The package's install step. When a prebuilt module for this platform, architecture and
// C library is present and loads, it builds nothing. Otherwise, or with
// `npm install --build-from-source`, it builds the module alone from source into
// build/Release/, after checking that the Debian packages that build needs are installed;
// it never installs system packages itself. In a git checkout of the repository it runs the
// development set-up instead.
const fs = require('node:fs');
const path = require('node:path');
const { spawnSync } = require('node:child_process');
const { NAME, SOURCE_BUILD, describe, findPrebuild, hostOf, isCheckout } = require('../lib/locate.js');

const root = path.resolve(__dirname, '..');

function log(message) {
  process.stderr.write(`${NAME}: ${message}\n`);
}

function fail(message) {
  log(message);
  process.exit(1);
}

function run(command, args) {
  return spawnSync(command, args, { cwd: root, stdio: 'inherit' });
}

function buildFromSourceRequested(env) {
  const value = env.npm_config_build_from_source;
  return value === 'true' || value === NAME;
}

// Whether a module file loads in a fresh Node.js process (the C library and everything the
// file links against must be there).
function loads(file) {
  const child = spawnSync(process.execPath, ['-e', 'require(process.argv[1])', file],
    { encoding: 'utf8' });
  if (child.status === 0) return true;
  log(`${path.relative(root, file)} does not load here: ${(child.stderr || '').trim().split('\n')[0]}`);
  return false;
}

function modulePackages() {
  return fs.readFileSync(path.join(__dirname, 'module-packages'), 'utf8').split('\n')
    .map((line) => line.trim()).filter((line) => line && !line.startsWith('#'));
}

// The packages of the list that dpkg does not report as installed; undefined without dpkg.
function missingDebianPackages(packages) {
  const query = spawnSync('dpkg-query', ['-W', '-f=${Package} ${Status}\\n', ...packages],
    { encoding: 'utf8' });
  if (query.error) return undefined;
  const installed = new Set(query.stdout.split('\n')
    .filter((line) => line.endsWith(' install ok installed')).map((line) => line.split(' ')[0]));
  return packages.filter((p) => !installed.has(p));
}

function requirements(packages) {
  return 'the module build needs CMake, Ninja, a C++20 compiler and pkg-config with the ' +
    `development files of its libraries; on Debian: apt-get install -y ${packages.join(' ')}`;
}

function buildFromSource(reason) {
  log(`${reason}: building the module from source`);
  const packages = modulePackages();
  const missing = missingDebianPackages(packages);
  if (missing && missing.length > 0) {
    fail(`building the module from source needs these missing Debian packages: ${missing.join(' ')}\n` +
      `${NAME}: install them as root, then install this package again: ` +
      `apt-get update && apt-get install -y ${missing.join(' ')}`);
  }
  let headers;
  try {
    headers = require('node-api-headers');
  } catch {
    fail('the npm package node-api-headers, a dependency of this package, is missing; install it again');
  }

  const tree = path.join(root, 'build', 'cmake');
  const configure = run('cmake', ['-S', root, '-B', tree, '-G', 'Ninja',
    '-DCMAKE_BUILD_TYPE=Release', '-DQUENLITH_BUILD_TESTS=OFF', '-DQUENLITH_BUILD_BENCH=OFF',
    `-DNODE_API_HEADERS_DIR=${headers.include_dir}`,
    `-DNODE_API_DEF_FILE=${headers.def_paths.node_api_def}`]);
  const build = configure.status === 0 ? run('cmake', ['--build', tree, '--target', NAME]) : configure;
  if (build.status !== 0) {
    fail(`the source build failed; ${requirements(packages)}`);
  }
  const target = path.join(root, SOURCE_BUILD);
  fs.mkdirSync(path.dirname(target), { recursive: true });
  fs.copyFileSync(path.join(tree, `${NAME}.node`), target);
  fs.rmSync(tree, { recursive: true, force: true });
  if (!loads(target)) fail('the module built from source does not load');
  log(`built ${SOURCE_BUILD}`);
}

function main() {
  if (isCheckout(root)) {
    process.exit(run('bash', [path.join('scripts', 'setup')]).status ?? 1);
  }
  if (buildFromSourceRequested(process.env)) {
    buildFromSource('--build-from-source');
    return;
  }
  const host = hostOf({});
  const prebuild = findPrebuild(root, host);
  if (prebuild && loads(prebuild)) {
    // A module left from an earlier source build would be loaded first; build/ holds
    // nothing else in an installed package.
    fs.rmSync(path.join(root, 'build'), { recursive: true, force: true });
    log(`using the prebuilt module ${path.relative(root, prebuild)}`);
    return;
  }
  buildFromSource(prebuild ? 'the prebuilt module does not load'
    : `no prebuilt module for ${describe(host)}`);
}

main();
