'use strict';
// Per-call time of the sink, semantic-check and response-body methods, measured from
// JavaScript: each case runs in batches, and the median batch gives the time per call.
//   node bench/sinks.js [filter]
const { Agent, constants } = require('..');

const agent = new Agent();
const BATCHES = 41;
const MIN_BATCH_NS = 2e6; // each batch lasts about 2 ms

const query = "SELECT id, name FROM users WHERE name = 'x' OR 1=1 -- ' AND active = 1";
const queryInput = "x' OR 1=1 -- ";
const command = 'convert upload.png -resize 50% thumbnail.png; cat /etc/passwd';
const commandInput = 'thumbnail.png; cat /etc/passwd';
const code = 'const greeting = "Hello, " + name + "!"; render(greeting)';
const body = `<html><head><title>Search</title></head><body>${'<p>lorem ipsum dolor sit amet</p>'.repeat(30)}` +
  '<script>var q = "";alert(document.cookie)//";</script></body></html>';
const bodyInputs = ['";alert(document.cookie)//', 'plain', '<b>'];
const chunk = body.slice(0, 512);
const json = '{"user":{"name":{"$ne":null},"age":{"$gt":18}},"tags":["a","b"],"limit":10}';

const cases = {
  checkSqlInjectionSink: () => agent.checkSqlInjectionSink(query.indexOf(queryInput), queryInput.length, constants.DbType.MySQL, query),
  checkCommandInjectionSink: () => agent.checkCommandInjectionSink(command.indexOf(commandInput), commandInput.length, command),
  checkSsjsInjectionSink: () => agent.checkSsjsInjectionSink(code, 25, 4),
  checkSqlInjectionContextFreeSink: () => agent.checkSqlInjectionContextFreeSink(query),
  findMongoComparators: () => agent.findMongoComparators(json),
  indexOfChaining: () => agent.indexOfChaining(command),
  isDangerousPath: () => agent.isDangerousPath('/var/www/../../etc/passwd', true),
  isMethodTampering: () => agent.isMethodTampering('PATCH'),
  [`isXssInWholeBody (${Buffer.byteLength(body)} B)`]: () => agent.isXssInWholeBody(body, bodyInputs),
  makeXssState: () => agent.makeXssState(bodyInputs),
  [`isXssInChunkedBody (${chunk.length} B chunk)`]: (() => {
    const fresh = agent.makeXssState(bodyInputs);
    return () => agent.isXssInChunkedBody(chunk, { state: fresh.state, inputs: fresh.inputs });
  })(),
  isXssScriptOrIframeInUserInput: () => agent.isXssScriptOrIframeInUserInput(['<b>x</b>', 'hello']),
};

function perCallNs(fn) {
  // Warm up, then size the batch.
  let calls = 1;
  for (;;) {
    const start = process.hrtime.bigint();
    for (let i = 0; i < calls; i++) fn();
    if (Number(process.hrtime.bigint() - start) >= MIN_BATCH_NS) break;
    calls *= 2;
  }
  const samples = [];
  for (let b = 0; b < BATCHES; b++) {
    const start = process.hrtime.bigint();
    for (let i = 0; i < calls; i++) fn();
    samples.push(Number(process.hrtime.bigint() - start) / calls);
  }
  samples.sort((x, y) => x - y);
  return { median: samples[samples.length >> 1], min: samples[0], calls };
}

const filter = process.argv[2] || '';
console.log(`node ${process.version}, median of ${BATCHES} batches`);
console.log(`${'method'.padEnd(40)} ${'median ns/call'.padStart(15)} ${'min'.padStart(10)}`);
for (const [name, fn] of Object.entries(cases)) {
  if (!name.includes(filter)) continue;
  const { median, min } = perCallNs(fn);
  console.log(`${name.padEnd(40)} ${median.toFixed(0).padStart(15)} ${min.toFixed(0).padStart(10)}`);
}
