'use strict';
// Logging is configured once per process, so every case runs its constructions in a fresh
// child process with a controlled environment and working directory.
const test = require('node:test');
const assert = require('node:assert');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { spawnSync } = require('node:child_process');

const MODULE = path.join(__dirname, '..');
const DIR_MESSAGE = 'Log file cannot be written because the specified path is not a directory';
const BANNER_OPTIONS = (level) =>
  `sorvane 1.1.6 (build info: ) successfully initialized from options. Log level: ${level}.`;
const BANNER_ENV = (level) =>
  'sorvane 1.1.6 (build info: ) successfully initialized from environment variables. ' +
  `Log level: ${level}.`;
const LINE = /^(\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}\.\d{3}) (ERROR|WARN|INFO|DEBUG|TRACE) \[([^\]]*):(\d+)\] (.*)$/;

// Child: constructs one Agent per entry of argv[1] (the string "none" means no argument;
// "\0" inside texts survives JSON) and reports each outcome.
const CHILD = `
const { Agent } = require(${JSON.stringify(MODULE)});
const outcomes = JSON.parse(process.argv[1]).map((options) => {
  try {
    if (options === 'none') new Agent(); else new Agent(options);
    return { ok: true };
  } catch (e) {
    return { ok: false, code: e.code, message: e.message };
  }
});
process.stdout.write(JSON.stringify({ pid: process.pid, outcomes }));
`;

function tempDir(t) {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'quenlith-log-'));
  t.after(() => fs.rmSync(dir, { recursive: true, force: true }));
  return dir;
}

// The test runner's environment without the logging variables, plus `env`.
function childEnv(env = {}) {
  const result = { ...process.env };
  for (const name of ['QUENLITH_SORVANE_LOG_LEVEL', 'QUENLITH_SORVANE_LOG_DIR', 'SPDLOG_LEVEL']) {
    delete result[name];
  }
  return Object.assign(result, env);
}

function runChild(constructions, { env = {}, cwd } = {}) {
  const result = spawnSync(process.execPath, ['-e', CHILD, JSON.stringify(constructions)],
    { env: childEnv(env), cwd, encoding: 'utf8' });
  assert.strictEqual(result.status, 0, result.stderr);
  return JSON.parse(result.stdout);
}

function logFiles(dir) {
  return fs.readdirSync(dir).filter((name) => name.endsWith('.log'));
}

function logLines(dir) {
  const files = logFiles(dir);
  assert.strictEqual(files.length, 1, `log files in ${dir}: ${files}`);
  const text = fs.readFileSync(path.join(dir, files[0]), 'utf8');
  assert.ok(text.endsWith('\n'));
  return text.slice(0, -1).split('\n').map((line) => {
    const m = LINE.exec(line);
    assert.ok(m, `not a log line: ${JSON.stringify(line)}`);
    return { time: m[1], level: m[2], file: m[3], line: Number(m[4]), message: m[5] };
  });
}

const ok = { ok: true };
const dirFailure = { ok: false, code: 'GenericFailure', message: DIR_MESSAGE };

test('options banner starts a file named after the UTC set-up time and the pid', (t) => {
  const dir = tempDir(t);
  const before = Date.now();
  const { pid, outcomes } = runChild([{ enableLogging: true, logLevel: 'info', logDir: dir }]);
  const after = Date.now();
  assert.deepStrictEqual(outcomes, [ok]);

  const [file] = logFiles(dir);
  const m = /^libquenlith_(\d{4})_(\d{2})_(\d{2})_(\d{2})(\d{2})(\d{2})_(\d+)\.log$/.exec(file);
  assert.ok(m, file);
  assert.strictEqual(Number(m[7]), pid);
  const named = Date.UTC(m[1], m[2] - 1, m[3], m[4], m[5], m[6]);
  assert.ok(named >= Math.floor(before / 1000) * 1000 && named <= after, file);

  const lines = logLines(dir);
  assert.strictEqual(lines.length, 1);
  const [banner] = lines;
  assert.strictEqual(banner.level, 'INFO');
  // Relative to the repository, with the platform's separator.
  assert.strictEqual(banner.file, path.join('core', 'agent_config', 'agent_init.cc'));
  assert.ok(banner.line > 0);
  assert.strictEqual(banner.message, BANNER_OPTIONS('INFO'));
  const stamp = Date.parse(banner.time.replace(' ', 'T') + 'Z');
  assert.ok(stamp >= before - 1 && stamp <= after + 1, banner.time);
});

test('the level option selects what is written; anything unknown means warn', (t) => {
  const cases = [
    // [logLevel, level named by the banner (null: nothing written), levels of the lines]
    ['DEBUG', 'DEBUG', ['INFO']],
    ['trace', 'TRACE', ['INFO', 'TRACE']],  // banner, then the end of init
    ['Info', 'INFO', ['INFO']],
    ['warn', null],
    [undefined, null],
    ['off', null],
    ['verbose', null],
    ['warning', null],
    ['', null],
  ];
  for (const [logLevel, named, levels] of cases) {
    const dir = tempDir(t);
    const options = { enableLogging: true, logDir: dir };
    if (logLevel !== undefined) options.logLevel = logLevel;
    assert.deepStrictEqual(runChild([options]).outcomes, [ok]);
    if (named === null) {
      // The banner is filtered out, and no file exists before the first written record.
      assert.deepStrictEqual(logFiles(dir), [], String(logLevel));
    } else {
      const lines = logLines(dir);
      assert.deepStrictEqual(lines.map((l) => l.level), levels, logLevel);
      assert.strictEqual(lines[0].message, BANNER_OPTIONS(named));
    }
  }
});

test('defaults: logging off, directory ".", nothing written', (t) => {
  const dir = tempDir(t);
  assert.deepStrictEqual(runChild(['none', {}], { cwd: dir }).outcomes, [ok, ok]);
  assert.deepStrictEqual(fs.readdirSync(dir), []);
  // "." is the default directory: enabled logging writes to the working directory.
  assert.deepStrictEqual(
    runChild([{ enableLogging: true, logLevel: 'info' }], { cwd: dir }).outcomes, [ok]);
  assert.strictEqual(logLines(dir)[0].message, BANNER_OPTIONS('INFO'));
});

test('a missing directory fails until a construction succeeds, then nothing changes', (t) => {
  const dir = tempDir(t);
  const other = tempDir(t);
  const missing = path.join(dir, 'missing');
  const regularFile = path.join(dir, 'file.txt');
  fs.writeFileSync(regularFile, '');
  const { outcomes } = runChild([
    { logDir: missing },  // logging off, yet the directory must exist
    { enableLogging: true, logLevel: 'info', logDir: regularFile },
    { enableLogging: true, logLevel: 'info', logDir: '' },
    { enableLogging: true, logLevel: 'info', logDir: dir },
    { logDir: missing },
    { enableLogging: true, logLevel: 'trace', logDir: other },
  ]);
  assert.deepStrictEqual(outcomes, [dirFailure, dirFailure, dirFailure, ok, ok, ok]);
  // Later constructions neither moved the log nor changed its level.
  assert.deepStrictEqual(logFiles(other), []);
  assert.deepStrictEqual(logLines(dir).map((l) => l.message), [BANNER_OPTIONS('INFO')]);
});

test('a NUL inside logDir ends the directory name', (t) => {
  const dir = tempDir(t);
  fs.mkdirSync(path.join(dir, 'logs'));
  const { outcomes } = runChild([{ enableLogging: true, logLevel: 'info', logDir: 'logs\0junk' }],
    { cwd: dir });
  assert.deepStrictEqual(outcomes, [ok]);
  assert.strictEqual(logLines(path.join(dir, 'logs'))[0].message, BANNER_OPTIONS('INFO'));
});

test('both environment variables take precedence over the options', (t) => {
  const envDir = tempDir(t);
  const optionsDir = tempDir(t);
  const { outcomes } = runChild(
    [{ enableLogging: false, logLevel: 'error', logDir: optionsDir }, 'none'],
    { env: { QUENLITH_SORVANE_LOG_LEVEL: 'TRACE', QUENLITH_SORVANE_LOG_DIR: envDir } });
  assert.deepStrictEqual(outcomes, [ok, ok]);
  assert.deepStrictEqual(logFiles(optionsDir), []);
  const messages = logLines(envDir).map((l) => `${l.level} ${l.message}`);
  assert.deepStrictEqual(messages, [
    `INFO ${BANNER_ENV('TRACE')}`,
    'TRACE agent init was called successfully',
    'TRACE acquired mut access to logging configuration',
    'TRACE agent init was called successfully',
  ]);
});

test('environment names in another letter case count on Windows only', (t) => {
  // Windows matches environment names without regard to case, as its environment does;
  // elsewhere only the exact names count.
  const envDir = tempDir(t);
  const { outcomes } = runChild(['none'],
    { env: { quenlith_sorvane_log_level: 'info', Quenlith_Sorvane_Log_Dir: envDir } });
  assert.deepStrictEqual(outcomes, [ok]);
  if (process.platform === 'win32') {
    assert.deepStrictEqual(logLines(envDir).map((l) => l.message), [BANNER_ENV('INFO')]);
  } else {
    assert.deepStrictEqual(logFiles(envDir), []);
  }
});

test('unusable environment settings leave the choice to the options', (t) => {
  const cases = [
    { level: 'off', dir: true },
    { level: 'verbose', dir: true },
    { level: '', dir: true },
    { level: 'debug', dir: false },
    { level: undefined, dir: true },
  ];
  for (const { level, dir } of cases) {
    const envDir = tempDir(t);
    const optionsDir = tempDir(t);
    const env = {};
    if (level !== undefined) env.QUENLITH_SORVANE_LOG_LEVEL = level;
    if (dir) env.QUENLITH_SORVANE_LOG_DIR = envDir;
    const { outcomes } = runChild([{ enableLogging: true, logLevel: 'info', logDir: optionsDir }],
      { env });
    assert.deepStrictEqual(outcomes, [ok], JSON.stringify(env));
    assert.deepStrictEqual(logFiles(envDir), [], JSON.stringify(env));
    assert.strictEqual(logLines(optionsDir)[0].message, BANNER_OPTIONS('INFO'));
  }
});

test('an empty environment directory fails without trying the options, every time', (t) => {
  const optionsDir = tempDir(t);
  const { outcomes } = runChild(
    [{ enableLogging: true, logLevel: 'info', logDir: optionsDir }, 'none'],
    { env: { QUENLITH_SORVANE_LOG_LEVEL: 'info', QUENLITH_SORVANE_LOG_DIR: '' } });
  assert.deepStrictEqual(outcomes, [dirFailure, dirFailure]);
  assert.deepStrictEqual(logFiles(optionsDir), []);
});

test('the level-filter variable replaces the level when it is valid', (t) => {
  const cases = [
    // [SPDLOG_LEVEL, options, expected levels written (null: no file)]
    ['', { enableLogging: true, logLevel: 'info' }, null],
    ['off', { enableLogging: true, logLevel: 'trace' }, null],
    ['ERROR', { enableLogging: true, logLevel: 'info' }, null],
    ['trace', { enableLogging: false }, ['TRACE']],
    ['Debug', { enableLogging: true, logLevel: 'trace' }, ['INFO']],
    ['verbose', { enableLogging: true, logLevel: 'info' }, ['INFO']],
    ['info,debug', { enableLogging: true, logLevel: 'info' }, ['INFO']],
    ['warning', { enableLogging: false }, null],
  ];
  for (const [spec, options, levels] of cases) {
    const dir = tempDir(t);
    const { outcomes } = runChild([{ ...options, logDir: dir }], { env: { SPDLOG_LEVEL: spec } });
    assert.deepStrictEqual(outcomes, [ok], spec);
    if (levels === null) {
      assert.deepStrictEqual(logFiles(dir), [], spec);
    } else {
      assert.deepStrictEqual(logLines(dir).map((l) => l.level), levels, spec);
    }
  }
});

test('constructions racing on worker threads set logging up once', (t) => {
  const dir = tempDir(t);
  const child = `
    const { Worker } = require('node:worker_threads');
    const code = 'const { Agent, constants } = require(' + ${JSON.stringify(JSON.stringify(MODULE))} +
      '); const { workerData, parentPort } = require("node:worker_threads");' +
      'new Agent({ enableLogging: true, logLevel: "info", logDir: workerData });' +
      'parentPort.postMessage(constants.RuleType["bot-blocker"]);';
    const runs = Array.from({ length: 6 }, () => new Promise((resolve, reject) => {
      const worker = new Worker(code, { eval: true, workerData: ${JSON.stringify(dir)} });
      worker.on('message', resolve);
      worker.on('error', reject);
    }));
    Promise.all(runs).then((answers) => process.stdout.write(JSON.stringify(answers)));
  `;
  const result = spawnSync(process.execPath, ['-e', child], { env: childEnv(), encoding: 'utf8' });
  assert.strictEqual(result.status, 0, result.stderr);
  assert.deepStrictEqual(JSON.parse(result.stdout), [64, 64, 64, 64, 64, 64]);
  assert.deepStrictEqual(logLines(dir).map((l) => l.message), [BANNER_OPTIONS('INFO')]);
});

// Child: sets the umask, plants `plant.target` under the log file names of this second and
// the next two (as a symlink or a regular file), then runs the constructions of argv[1] and
// reports each outcome with the pid.
const PLANTING_CHILD = `
const fs = require('node:fs');
const path = require('node:path');
const { Agent } = require(${JSON.stringify(MODULE)});
const { umask, plant, constructions } = JSON.parse(process.argv[1]);
process.umask(umask);
const two = (n) => String(n).padStart(2, '0');
if (plant) {
  for (let ahead = 0; ahead < 3; ahead++) {
    const d = new Date(Date.now() + ahead * 1000);
    const name = 'libquenlith_' + d.getUTCFullYear() + '_' + two(d.getUTCMonth() + 1) + '_' +
      two(d.getUTCDate()) + '_' + two(d.getUTCHours()) + two(d.getUTCMinutes()) +
      two(d.getUTCSeconds()) + '_' + process.pid + '.log';
    const at = path.join(plant.dir, name);
    if (plant.kind === 'symlink') fs.symlinkSync(plant.target, at); else fs.writeFileSync(at, 'earlier\\n');
  }
}
const outcomes = constructions.map((options) => {
  try { new Agent(options); return { ok: true }; } catch (e) { return { ok: false, code: e.code, message: e.message }; }
});
process.stdout.write(JSON.stringify({ pid: process.pid, outcomes }));
`;

function runPlanting(settings) {
  const result = spawnSync(process.execPath, ['-e', PLANTING_CHILD, JSON.stringify(settings)],
    { env: childEnv(), encoding: 'utf8' });
  assert.strictEqual(result.status, 0, result.stderr);
  return JSON.parse(result.stdout);
}

// Windows has no POSIX file modes: the file gets the log directory's default access rules.
test('the log file is readable and writable by its owner only, whatever the umask',
  { skip: process.platform === 'win32' && 'Windows has no POSIX file modes' }, (t) => {
  for (const umask of [0, 0o022, 0o077]) {
    const dir = tempDir(t);
    const { outcomes } = runPlanting({ umask, constructions: [{ enableLogging: true, logLevel: 'info', logDir: dir }] });
    assert.deepStrictEqual(outcomes, [ok]);
    const [file] = logFiles(dir);
    assert.strictEqual(fs.statSync(path.join(dir, file)).mode & 0o777, 0o600, `umask ${umask}`);
  }
});

test('a file or link planted at the log file name fails the set-up and is never written', (t) => {
  const FAILURE = /^Log file cannot be created because libquenlith_\d{4}_\d{2}_\d{2}_\d{6}_\d+\.log already exists in the log directory$/;
  // On Windows a symbolic link needs a privilege that ordinary users lack, and under the
  // emulation the tests run in here Node makes Unix links of them: only a file is planted there.
  const kinds = process.platform === 'win32' ? ['regular file'] : ['symlink', 'dangling symlink', 'regular file'];
  for (const kind of kinds) {
    const dir = tempDir(t);
    const other = tempDir(t);
    const target = path.join(tempDir(t), 'target.txt');
    if (kind !== 'dangling symlink') fs.writeFileSync(target, 'precious\n');
    const logging = { enableLogging: true, logLevel: 'info' };
    const { outcomes } = runPlanting({
      umask: 0o022,
      plant: { dir, kind: kind === 'regular file' ? 'file' : 'symlink', target },
      // A failed set-up leaves logging unconfigured: the next construction sets it up.
      constructions: [{ ...logging, logDir: dir }, { ...logging, logDir: dir }, { ...logging, logDir: other }],
    });
    assert.strictEqual(outcomes.length, 3);
    for (const outcome of outcomes.slice(0, 2)) {
      assert.strictEqual(outcome.ok, false, kind);
      assert.strictEqual(outcome.code, 'GenericFailure');
      assert.match(outcome.message, FAILURE);
    }
    assert.deepStrictEqual(outcomes[2], ok, kind);
    if (kind === 'dangling symlink') {
      assert.strictEqual(fs.existsSync(target), false);
    } else {
      assert.strictEqual(fs.readFileSync(target, 'utf8'), 'precious\n', kind);
    }
    for (const name of fs.readdirSync(dir)) {
      const at = path.join(dir, name);
      if (kind === 'regular file') assert.strictEqual(fs.readFileSync(at, 'utf8'), 'earlier\n');
      else assert.ok(fs.lstatSync(at).isSymbolicLink());
    }
    assert.deepStrictEqual(logLines(other).map((l) => l.message), [BANNER_OPTIONS('INFO')]);
  }

  // With logging off nothing is ever written, so a name taken in the directory is no failure.
  const dir = tempDir(t);
  const { outcomes } = runPlanting({ umask: 0o022, plant: { dir, kind: 'file' },
    constructions: [{ logDir: dir }, { enableLogging: true, logLevel: 'info', logDir: dir }] });
  assert.deepStrictEqual(outcomes, [ok, ok]);
  for (const name of fs.readdirSync(dir)) {
    assert.strictEqual(fs.readFileSync(path.join(dir, name), 'utf8'), 'earlier\n');
  }
});

test('Agent without new runs no set-up: a later construction sets logging up', (t) => {
  const dir = tempDir(t);
  const first = tempDir(t);
  const child = `
    const { Agent } = require(${JSON.stringify(MODULE)});
    const calls = [() => Agent({ enableLogging: true, logLevel: 'info', logDir: ${JSON.stringify(first)} }),
      () => Agent.call({}, { logDir: '/no/such/dir' })];
    const codes = calls.map((call) => { try { call(); return 'none'; } catch (e) { return e.code; } });
    new Agent({ enableLogging: true, logLevel: 'info', logDir: ${JSON.stringify(dir)} });
    process.stdout.write(JSON.stringify(codes));
  `;
  const result = spawnSync(process.execPath, ['-e', child], { env: childEnv(), encoding: 'utf8' });
  assert.strictEqual(result.status, 0, result.stderr);
  assert.deepStrictEqual(JSON.parse(result.stdout), ['InvalidArg', 'InvalidArg']);
  assert.deepStrictEqual(fs.readdirSync(first), []);
  assert.deepStrictEqual(logLines(dir).map((l) => l.message), [BANNER_OPTIONS('INFO')]);
});

test('control characters of logged inputs are escaped after the 128-character cut', (t) => {
  const escape = (text) => text.replace(/[\x00-\x1f\x7f]/g, (c) => (
    { '\n': '\\n', '\r': '\\r', '\t': '\\t' }[c] ?? `\\x${c.charCodeAt(0).toString(16).padStart(2, '0')}`));
  const forged = '\n2024-01-01 00:00:00.000 ERROR [forged:1] forged record\r\n';
  const commands = [
    `ls${forged}`,
    'a\tb\x1b[2J\x1b]0;title\x07\0\x7fz',
    // Escapes do not count towards the cut: 128 characters, then the rest is dropped.
    `${'\u00e9'.repeat(120)}\x1b[31m${'\n'.repeat(10)}`,
    `${'x'.repeat(127)}\n\n`,
    `${'x'.repeat(128)}\n`,
    'caf\u00e9 \\n \\x1b \u0085',
  ];
  const dir = tempDir(t);
  const child = `
    const { Agent } = require(${JSON.stringify(MODULE)});
    const agent = new Agent({ enableLogging: true, logLevel: 'debug', logDir: ${JSON.stringify(dir)} });
    for (const command of ${JSON.stringify(commands)}) {
      agent.checkCommandInjectionSink(0, 1, command);
      agent.checkCommandInjectionSink(0, 1, Buffer.from(command));
    }
  `;
  const result = spawnSync(process.execPath, ['-e', child], { env: childEnv(), encoding: 'utf8' });
  assert.strictEqual(result.status, 0, result.stderr);
  // logLines holds every line to the record format: a forged line would fail it.
  const lines = logLines(dir).filter((l) => l.message.startsWith('check_command - '));
  assert.strictEqual(lines.length, 2 * commands.length);
  commands.forEach((command, i) => {
    // A string argument ends at its first NUL; a Buffer is read whole.
    for (const [line, text] of [[lines[2 * i], command.split('\0')[0]], [lines[2 * i + 1], command]]) {
      const quoted = escape(Array.from(text).slice(0, 128).join(''));
      assert.ok(line.message.endsWith(`. command: ${quoted}`), JSON.stringify(line.message));
      assert.doesNotMatch(line.message, /[\x00-\x1f\x7f]/);
    }
  });
});
