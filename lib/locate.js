'use strict';
// Finds the native module file to load.
//
// An installed package loads, in this order, the module built from source by its install
// script (build/Release/quenlith_node.node) and the prebuilt module of the host's platform,
// architecture and C library: prebuilds/<platform>-<arch>/quenlith_node.<tags>.node, where
// the tags are dot-separated and "napi" is required, "glibc" or "musl" must name the host's
// C library, and a file with more tags wins over one with fewer. No environment variable
// takes part, so nothing outside the package can redirect it.
//
// A git checkout of the repository (a `.git` entry beside package.json, which is never
// packed) is the development set-up: it loads only the build tree, build/ or the tree that
// QUENLITH_BUILD_DIR names relative to the checkout.
const fs = require('node:fs');
const path = require('node:path');

const NAME = 'quenlith_node';
const SOURCE_BUILD = path.join('build', 'Release', `${NAME}.node`);
const LIBC_TAGS = ['glibc', 'musl'];

function isCheckout(root) {
  return fs.existsSync(path.join(root, '.git'));
}

// The C library of this process on Linux ("glibc" or "musl"); undefined elsewhere. The
// libraries mapped into the process say which one is in use; without /proc, the process
// report tells glibc by its version field.
function detectLibc(platform = process.platform) {
  if (platform !== 'linux') return undefined;
  try {
    const maps = fs.readFileSync('/proc/self/maps', 'latin1');
    if (/\/ld-musl-|\/libc\.musl-/.test(maps)) return 'musl';
    if (/\/libc\.so\.6\b|\/ld-linux[-.]/.test(maps)) return 'glibc';
  } catch {
    // No /proc: fall through to the report.
  }
  const header = process.report?.getReport?.().header;
  return header?.glibcVersionRuntime ? 'glibc' : 'musl';
}

// Tags of a prebuilt file name, or undefined when the name is not one of this module's.
function parseTags(file) {
  if (!file.startsWith(`${NAME}.`) || !file.endsWith('.node')) return undefined;
  const tags = file.slice(NAME.length + 1, -'.node'.length).split('.');
  return tags.every((t) => t.length > 0) ? tags : undefined;
}

function matchesHost(tags, libc) {
  if (!tags.includes('napi')) return false;
  const wanted = tags.filter((t) => LIBC_TAGS.includes(t));
  return wanted.every((t) => t === libc);
}

// The best prebuilt file for the host in <root>/prebuilds, or undefined.
function findPrebuild(root, { platform, arch, libc }) {
  const dir = path.join(root, 'prebuilds', `${platform}-${arch}`);
  let names;
  try {
    names = fs.readdirSync(dir);
  } catch {
    return undefined;
  }
  const candidates = names
    .map((file) => ({ file, tags: parseTags(file) }))
    .filter((c) => c.tags && matchesHost(c.tags, libc))
    .sort((a, b) => b.tags.length - a.tags.length || (a.file < b.file ? -1 : 1));
  return candidates.length ? path.join(dir, candidates[0].file) : undefined;
}

function hostOf(options) {
  const platform = options.platform ?? process.platform;
  return {
    platform,
    arch: options.arch ?? process.arch,
    libc: 'libc' in options ? options.libc : detectLibc(platform),
  };
}

function describe(host) {
  return `${host.platform}-${host.arch}${host.libc ? ` (${host.libc})` : ''}`;
}

// The absolute path of the module to load, or an Error that says why there is none.
// `options` replaces the host's platform, arch, libc and environment (for tests).
function locateModule(root, options = {}) {
  const env = options.env ?? process.env;
  if (isCheckout(root)) {
    const file = path.resolve(root, env.QUENLITH_BUILD_DIR || 'build', `${NAME}.node`);
    if (fs.existsSync(file)) return file;
    return new Error(`${NAME}: ${file} is missing; build it with \`npm test\` or \`bash scripts/setup\``);
  }
  const built = path.join(root, SOURCE_BUILD);
  if (fs.existsSync(built)) return built;
  const host = hostOf(options);
  const prebuild = findPrebuild(root, host);
  if (prebuild) return prebuild;
  return new Error(`${NAME}: no prebuilt module for ${describe(host)} and none built from ` +
    'source; reinstall with `npm install --build-from-source`');
}

module.exports = {
  NAME, SOURCE_BUILD, detectLibc, describe, findPrebuild, hostOf, isCheckout, locateModule,
};
