'use strict';
// Preloaded (--require) into a Node that runs under a user-mode emulator (QUENLITH_EMULATOR,
// e.g. "qemu-aarch64 -L /usr/aarch64-linux-gnu"). The machine cannot execute that Node's
// binary by itself, so every child process started from process.execPath is started through
// the emulator instead; the child gets this preload again through its exec arguments when
// it is a test runner child, and needs it for nothing else.
const childProcess = require('node:child_process');
const fs = require('node:fs');

const path = require('node:path');

const emulator = (process.env.QUENLITH_EMULATOR || '').split(' ').filter(Boolean);
if (emulator.length === 0) {
  throw new Error('emulated_spawn.js: QUENLITH_EMULATOR names no emulator');
}
// The emulator by its full path, so that a child whose environment has another PATH (or
// none) still finds it.
if (!path.isAbsolute(emulator[0])) {
  for (const dir of (process.env.PATH || '').split(path.delimiter).filter(Boolean)) {
    const candidate = path.join(dir, emulator[0]);
    if (fs.existsSync(candidate)) {
      emulator[0] = candidate;
      break;
    }
  }
}
const emulatorSetting = `QUENLITH_EMULATOR=${emulator.join(' ')}`;
// A child Node starts its own children through the emulator too: it gets this preload and
// the emulator setting, whatever environment its parent handed it.
const preload = ['--require', __filename];

const realExecPath = fs.realpathSync(process.execPath);
function isOwnNode(file) {
  if (typeof file !== 'string') return false;
  if (file === process.execPath) return true;
  try {
    return fs.realpathSync(file) === realExecPath;
  } catch {
    return false;
  }
}

// Asynchronous children (spawn, execFile, fork, the test runner) all pass through here.
const originalSpawn = childProcess.ChildProcess.prototype.spawn;
childProcess.ChildProcess.prototype.spawn = function spawn(options) {
  if (options && isOwnNode(options.file)) {
    const envPairs = (options.envPairs || []).filter((pair) => !pair.startsWith('QUENLITH_EMULATOR='));
    options = { ...options, file: emulator[0], envPairs: [...envPairs, emulatorSetting],
      args: [...emulator, process.execPath, ...preload, ...(options.args || []).slice(1)] };
  }
  return originalSpawn.call(this, options);
};

// The synchronous ones are wrapped where the tests reach them.
for (const name of ['spawnSync', 'execFileSync']) {
  const original = childProcess[name];
  childProcess[name] = function emulated(file, args, ...rest) {
    if (isOwnNode(file)) {
      const list = Array.isArray(args) ? args : [];
      const tail = Array.isArray(args) ? rest : [args, ...rest].filter((x) => x !== undefined);
      const options = { ...(tail[0] || {}) };
      options.env = { ...(options.env || process.env), QUENLITH_EMULATOR: emulator.join(' ') };
      return original.call(this, emulator[0],
        [...emulator.slice(1), process.execPath, ...preload, ...list], options, ...tail.slice(1));
    }
    return original.call(this, file, args, ...rest);
  };
}
