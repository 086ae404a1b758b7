'use strict';
// The result objects of JSON bodies with many results beside their floor: scoreRequestBody
// (all rules, mask 1023) on a body, next to a plain JavaScript loop that builds the same
// objects (the same properties in the same order, a fresh path and identifier array per
// result) from the same strings, made beforehand; and the same loop with the body's distinct
// texts made anew on every call, sliced from one joined string. Samples are taken in turn.
// Run: node bench/result_objects.js
const { Agent } = require('..');
const { pairedMedians } = require('./support/timing');

const ALL_RULES = 1023;
const agent = new Agent();

const nested = (key, depth, inner = '1') => `{"${key}":`.repeat(depth) + inner + '}'.repeat(depth);
const list = (unit, count) => `[${Array(count).fill(unit).join(',')}]`;

const BODIES = [
  ['7,000 distinct "eval(N)" values',
    `[${Array.from({ length: 7000 }, (_, i) => `"eval(${i})"`).join(',')}]`],
  // One finding per value.
  ['7,000 distinct "\' or N=N--" values',
    `[${Array.from({ length: 7000 }, (_, i) => JSON.stringify(`' or ${i}=${i}--`)).join(',')}]`],
  // Four texts in turns that the engine evaluates again at each turn (each pushes the one
  // before out of its table of answers): findings of their own, values of the same bytes.
  ['7,000 "eval(0)" to "eval(3)" values in turns',
    `[${Array.from({ length: 7000 }, (_, i) => `"eval(${i % 4})"`).join(',')}]`],
  ['12,000 nested {"$ne": keys', nested('$ne', 12000)],
  ['7,000 {"$gt":1} objects', list('{"$gt":1}', 7000)],
];

// The columns of a result list: one array per property, the arrays' elements copied.
function columns(results) {
  const column = (name) => results.map((r) => r[name]);
  return {
    ruleId: column('ruleId'), inputType: column('inputType'), path: column('path'),
    key: column('key'), value: column('value'), score: column('score'), idsList: column('idsList'),
  };
}

// A fresh array of the elements of `array`: a literal for the short lists most results hold.
function copy(array) {
  switch (array.length) {
    case 0: return [];
    case 1: return [array[0]];
    case 2: return [array[0], array[1]];
    default: return array.slice();
  }
}

// A fresh array of the texts of `table` at `indices`, as copy() makes it.
function pick(table, indices) {
  switch (indices.length) {
    case 0: return [];
    case 1: return [table[indices[0]]];
    case 2: return [table[indices[0]], table[indices[1]]];
    default: return indices.map((k) => table[k]);
  }
}

// The objects of `c`, built anew.
function build(c) {
  const n = c.ruleId.length;
  const out = new Array(n);
  for (let i = 0; i < n; ++i) {
    out[i] = {
      ruleId: c.ruleId[i], inputType: c.inputType[i], path: copy(c.path[i]), key: c.key[i],
      value: c.value[i], score: c.score[i], idsList: copy(c.idsList[i]),
    };
  }
  return out;
}

// The same objects with every distinct string made anew on each call, as the module makes
// them: the distinct texts sliced from one joined string into a table, then read by index.
function withFreshTexts(results) {
  const indices = new Map();
  const places = [];
  let joined = '';
  const indexOf = (text) => {
    if (!indices.has(text)) {
      indices.set(text, places.length);
      places.push(joined.length, joined.length + text.length);
      joined += text;
    }
    return indices.get(text);
  };
  const c = columns(results);
  const slots = {};
  for (const name of ['ruleId', 'inputType', 'key', 'value']) {
    slots[name] = c[name].map((v) => (typeof v === 'string' ? indexOf(v) : -1));
  }
  for (const name of ['path', 'idsList']) slots[name] = c[name].map((texts) => texts.map(indexOf));
  const values = c.value;
  const scores = c.score;
  return () => {
    const table = [];
    for (let k = 0; k < places.length; k += 2) table.push(joined.slice(places[k], places[k + 1]));
    const n = scores.length;
    const out = new Array(n);
    for (let i = 0; i < n; ++i) {
      const value = slots.value[i];
      out[i] = {
        ruleId: table[slots.ruleId[i]], inputType: table[slots.inputType[i]],
        path: pick(table, slots.path[i]), key: table[slots.key[i]],
        value: value < 0 ? values[i] : table[value], score: scores[i],
        idsList: pick(table, slots.idsList[i]),
      };
    }
    return out;
  };
}

function main() {
  const rows = [];
  for (const [name, body] of BODIES) {
    const results = agent.scoreRequestBody(ALL_RULES, body).resultsList;
    const c = columns(results);
    const floor = () => build(c);
    const fresh = withFreshTexts(results);
    const calls = 10;
    const [moduleNs, floorNs] = pairedMedians(() => agent.scoreRequestBody(ALL_RULES, body), floor, calls);
    const [moduleAgainNs, freshNs] = pairedMedians(() => agent.scoreRequestBody(ALL_RULES, body), fresh, calls);
    const n = results.length;
    const us = (ns) => `${(ns / 1000).toFixed(0)} µs`;
    rows.push([`${name} (${Buffer.byteLength(body)} bytes, ${n} results)`,
      `scoreRequestBody ${us(moduleNs)}, ${us(moduleAgainNs)}; ` +
      `floor ${us(floorNs)} (${(floorNs / n).toFixed(1)} ns/result), ` +
      `with fresh texts ${us(freshNs)} (${(freshNs / n).toFixed(1)} ns/result)`]);
  }
  const width = Math.max(...rows.map(([label]) => label.length));
  for (const [label, figure] of rows) console.log(`${label.padEnd(width)}  ${figure}`);
}

main();
