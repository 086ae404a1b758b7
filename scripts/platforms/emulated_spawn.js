'use strict';
// Preloaded (--require) into a Node that runs under a user-mode emulator (QUENLITH_EMULATOR,
// e.g. "qemu-aarch64 -L /usr/aarch64-linux-gnu"). The machine cannot execute that Node's
// binary by itself, so every child process started from process.execPath is started through
// the emulator instead; the child gets this preload again through its exec arguments when
// it is a test runner child, and needs it for nothing else.
const childProcess = require('node:child_process');
const fs = require('node:fs');

const emulator = (process.env.QUENLITH_EMULATOR || '').split(' ').filter(Boolean);
if (emulator.length === 0) {
  throw new Error('emulated_spawn.js: QUENLITH_EMULATOR names no emulator');
}

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
    options = { ...options, file: emulator[0],
      args: [...emulator, process.execPath, ...(options.args || []).slice(1)] };
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
      return original.call(this, emulator[0], [...emulator.slice(1), process.execPath, ...list], ...tail);
    }
    return original.call(this, file, args, ...rest);
  };
}
