'use strict';
// Timing and bodies shared by the Node benchmark scripts.

// Median time per call in nanoseconds: `samples` timings of `calls` calls each, after warm-up.
function medianPerCall(fn, calls, samples = 41) {
  for (let i = 0; i < calls; ++i) fn();
  const perCall = [];
  for (let s = 0; s < samples; ++s) {
    const start = process.hrtime.bigint();
    for (let i = 0; i < calls; ++i) fn();
    perCall.push(Number(process.hrtime.bigint() - start) / calls);
  }
  perCall.sort((a, b) => a - b);
  return perCall[perCall.length >> 1];
}

// Median times per call in nanoseconds of two functions, their samples taken in turn (one of
// `calls` calls of `a`, then one of `b`, `samples` times), so that both see the same load.
function pairedMedians(a, b, calls, samples = 15) {
  const timings = [[], []];
  const fns = [a, b];
  for (let i = 0; i < calls; ++i) { a(); b(); }
  for (let s = 0; s < samples; ++s) {
    fns.forEach((fn, k) => {
      const start = process.hrtime.bigint();
      for (let i = 0; i < calls; ++i) fn();
      timings[k].push(Number(process.hrtime.bigint() - start) / calls);
    });
  }
  return timings.map((list) => list.sort((x, y) => x - y)[list.length >> 1]);
}

// JSON as a web shop's API would receive it: records until the text has `size` bytes or a few
// more.
function benignJsonText(size) {
  const records = [];
  let length = 2;
  for (let id = 0; length < size; ++id) {
    const record = JSON.stringify({
      id, name: `Widget ${id}`, tags: ['blue', 'small'], price: 19.99, inStock: id % 3 !== 0,
      description: `A sturdy widget for everyday use, number ${id}, shipped in two days.`,
    });
    records.push(record);
    length += record.length + 1;
  }
  return `[${records.join(',')}]`;
}

module.exports = { medianPerCall, pairedMedians, benignJsonText };
