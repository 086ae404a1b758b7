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
