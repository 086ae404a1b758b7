'use strict';
// JSON bodies with many results, from JavaScript, all rules selected (mask 1023): each hostile
// body next to a benign JSON body of the same size, their samples taken in turn. The ratio is the hostile
// time per byte over the benign time per byte. Also the peak resident memory that the deepest
// body adds to a fresh process. Run: node bench/json_results.js
const { spawnSync } = require('node:child_process');
const { Agent } = require('..');
const { pairedMedians, benignJsonText } = require('./support/timing');

const ALL_RULES = 1023;
const agent = new Agent();

const nested = (key, depth, inner = '1') => `{"${key}":`.repeat(depth) + inner + '}'.repeat(depth);
const list = (unit, count) => `[${Array(count).fill(unit).join(',')}]`;
const longKey = 'k'.repeat(1000);
// 7,000 distinct values made from `unit` by putting the value's number in place of N, so
// nothing is answered twice.
const distinct = (unit) =>
  `[${Array.from({ length: 7000 }, (_, i) => JSON.stringify(unit.replace('N', i))).join(',')}]`;

const HOSTILE = [
  ['12,000 nested {"$ne": keys', nested('$ne', 12000)],
  ['7,000 nested {"__proto__": keys', nested('__proto__', 7000)],
  ['7,000 {"$gt":1} objects', list('{"$gt":1}', 7000)],
  ['7,000 "__proto__" values', list('"__proto__"', 7000)],
  // Distinct short hostile values, each with the same findings.
  ['7,000 distinct "eval(N)" values', distinct('eval(N)')],
  ['7,000 distinct "\' or N=N--" values', distinct("' or N=N--")],
  ['7,000 distinct "1\' union select N--" values', distinct("1' union select N--")],
  ['7,000 distinct ";ls N" values', distinct(';ls N')],
  ['7,000 distinct "/etc/passwdN" values', distinct('/etc/passwdN')],
  ['7,000 distinct "../../etc/passwdN" values', distinct('../../etc/passwdN')],
  ['100 levels, then 7,000 {"$gt":1} objects', nested('a', 100, list('{"$gt":1}', 7000))],
  // No result at all: the cost of evaluating many short strings, for comparison.
  ['24,000 "a" values (no results)', list('"a"', 24000)],
  ['100 levels of 1,000-byte keys, each with "$ne"',
    `{"$ne":1,"${longKey}":`.repeat(100) + '1' + '}'.repeat(100)],
];

function main() {
  const rows = [];
  const benignCache = new Map();
  for (const [name, body] of HOSTILE) {
    const bytes = Buffer.byteLength(body);
    const benign = benignCache.get(bytes) || benignJsonText(bytes);
    benignCache.set(bytes, benign);
    const score = (text) => () => agent.scoreRequestBody(ALL_RULES, text);
    const perByte = ([benignNs, hostileNs]) => [benignNs / benign.length, hostileNs / bytes];
    const [benignNs, bodyNs] = perByte(pairedMedians(score(benign), score(body), 10));
    const [benignAgainNs, mongoNs] =
      perByte(pairedMedians(score(benign), () => agent.findMongoComparators(body), 10));
    const results = (agent.scoreRequestBody(ALL_RULES, body).resultsList || []).length;
    rows.push([`${name} (${bytes} bytes, ${results} results)`,
      `benign ${benignNs.toFixed(2)} ns/byte; scoreRequestBody ${bodyNs.toFixed(2)} ns/byte, ` +
      `${(bodyNs / benignNs).toFixed(2)}x; findMongoComparators ${(mongoNs / benignAgainNs).toFixed(2)}x`]);
  }

  // Peak resident memory of a fresh process: after the set-up, then after one call of each
  // method on the deepest body.
  const child = spawnSync(process.execPath, ['-e', `
    const { Agent } = require(${JSON.stringify(require.resolve('..'))});
    const agent = new Agent();
    agent.scoreRequestBody(${ALL_RULES}, '{"a":1}');
    const deep = ${JSON.stringify(HOSTILE[0][1])};
    const before = process.resourceUsage().maxRSS;
    agent.scoreRequestBody(${ALL_RULES}, deep);
    agent.findMongoComparators(deep);
    process.stdout.write(JSON.stringify([before, process.resourceUsage().maxRSS]));
  `], { encoding: 'utf8' });
  const [before, after] = JSON.parse(child.stdout);
  rows.push([`Peak RSS growth of a fresh process, one call of each method on ${HOSTILE[0][0]}`,
    `${((after - before) / 1024).toFixed(1)} MiB (from ${(before / 1024).toFixed(1)} MiB)`]);

  const width = Math.max(...rows.map(([label]) => label.length));
  for (const [label, figure] of rows) console.log(`${label.padEnd(width)}  ${figure}`);
}

main();
