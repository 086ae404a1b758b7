'use strict';
// Speed of the request-scoring methods from JavaScript, all rules selected (mask 1023):
// scoreAtom on a benign 32-byte value, scoreRequestConnect on a typical browser request,
// scoreRequestBody on a 100 KB benign JSON body and on adversarial bodies of the same size.
// Each figure is the median over samples of many calls; the benign body also beside JSON.parse
// of the same text, as a ratio of throughputs. Run: node bench/request_methods.js
const { Agent, constants } = require('..');
const {
  BROWSER_REQUEST, BODY_SIZE, benignJsonBody, medianPerCall, interleavedMediansPerCall,
} = require('./support/requests.js');

const ALL_RULES = 1023;
const agent = new Agent();

const ATOM_VALUE = 'blue-widget size m, order 123456';  // 32 bytes
const ATOM_ATTACK = "x' or 1=1--; cat ../../etc/passwd";  // path traversal, SQL and command injection

// The adversarial bodies: each filler raw, and as the string value of a JSON object.
function adversarialBodies() {
  const bodies = [];
  for (const [name, unit] of [['quotes', '"'], ['"/*"', '/*'], ['";"', ';'], ["single quotes", "'"]]) {
    const filler = unit.repeat(BODY_SIZE / unit.length);
    bodies.push([`100 KB of ${name}, raw`, Buffer.from(filler)]);
    bodies.push([`100 KB of ${name}, in a JSON string`, Buffer.from(JSON.stringify({ v: filler }))]);
  }
  return bodies;
}

// Whether the body scores without an error (a malformed JSON body throws at once).
function outcome(body) {
  try {
    const response = agent.scoreRequestBody(ALL_RULES, body);
    return `${response.bodyType}, ${(response.resultsList || []).length} results`;
  } catch (error) {
    return `throws ${error.code}`;
  }
}

function main() {
  const { InputType } = constants;
  const rows = [];

  const atomNs = medianPerCall(() => agent.scoreAtom(ALL_RULES, ATOM_VALUE, InputType.ParameterValue), 20000);
  rows.push(['scoreAtom, benign 32-byte ParameterValue', `${(atomNs / 1000).toFixed(2)} µs/call`]);
  // The same call with a mask whose one rule does not apply: reading, traits, binary test
  // and the answer, but no rule run.
  const atomBoundaryNs = medianPerCall(
    () => agent.scoreAtom(constants.RuleType['unsafe-file-upload'], ATOM_VALUE, InputType.ParameterValue), 20000);
  rows.push(['scoreAtom, same value, no applicable rule', `${(atomBoundaryNs / 1000).toFixed(2)} µs/call`]);
  const attackNs = medianPerCall(() => agent.scoreAtom(ALL_RULES, ATOM_ATTACK, InputType.ParameterValue), 20000);
  rows.push([`scoreAtom, ${Buffer.byteLength(ATOM_ATTACK)}-byte attack (3 findings)`, `${(attackNs / 1000).toFixed(2)} µs/call`]);
  const atomBufferNs = medianPerCall(
    () => agent.scoreAtom(ALL_RULES, Buffer.from(ATOM_VALUE), InputType.ParameterValue), 20000);
  rows.push(['scoreAtom, same value as a new Buffer', `${(atomBufferNs / 1000).toFixed(2)} µs/call`]);

  const connectNs = medianPerCall(() => agent.scoreRequestConnect(ALL_RULES, BROWSER_REQUEST), 5000);
  rows.push(['scoreRequestConnect, browser request (12 headers, 4 queries, 3 cookies)',
    `${(connectNs / 1000).toFixed(2)} µs/call`]);
  // Mask 1 selects only the file-upload rule, which applies to none of these inputs.
  const connectBoundaryNs = medianPerCall(() => agent.scoreRequestConnect(1, BROWSER_REQUEST), 5000);
  rows.push(['scoreRequestConnect, same request, no applicable rule', `${(connectBoundaryNs / 1000).toFixed(2)} µs/call`]);

  const json = benignJsonBody();
  const jsonNs = medianPerCall(() => agent.scoreRequestBody(ALL_RULES, json), 20, 21);
  const jsonNsPerByte = jsonNs / json.length;
  rows.push([`scoreRequestBody, benign JSON (${json.length} bytes): ${outcome(json)}`,
    `${(json.length / jsonNs * 1000).toFixed(0)} MB/s, ${jsonNsPerByte.toFixed(2)} ns/byte`]);
  const jsonString = json.toString();
  const jsonStringNs = medianPerCall(() => agent.scoreRequestBody(ALL_RULES, jsonString), 20, 21);
  rows.push(['scoreRequestBody, the same body as a string',
    `${(json.length / jsonStringNs * 1000).toFixed(0)} MB/s`]);

  // Beside JSON.parse of the same body, the samples taken in turn. JSON.parse of a Buffer
  // decodes it to a string first, as an application parsing its request body does.
  const [bufferNs, stringNs, parseBufferNs, parseStringNs] = interleavedMediansPerCall([
    [() => agent.scoreRequestBody(ALL_RULES, json), 20],
    [() => agent.scoreRequestBody(ALL_RULES, jsonString), 20],
    [() => JSON.parse(json), 20],
    [() => JSON.parse(jsonString), 20],
  ], 21);
  const mbs = (ns) => (json.length / ns * 1000).toFixed(0);
  rows.push(['Side by side: scoreRequestBody · JSON.parse, the body as a Buffer',
    `${mbs(bufferNs)} · ${mbs(parseBufferNs)} MB/s = ${(parseBufferNs / bufferNs).toFixed(2)}x ` +
    'the throughput of JSON.parse']);
  rows.push(['Side by side: scoreRequestBody · JSON.parse, the body as a string',
    `${mbs(stringNs)} · ${mbs(parseStringNs)} MB/s = ${(parseStringNs / stringNs).toFixed(2)}x ` +
    'the throughput of JSON.parse']);

  for (const [name, body] of adversarialBodies()) {
    const ns = medianPerCall(() => { try { agent.scoreRequestBody(ALL_RULES, body); } catch {} }, 5, 11);
    const perByte = ns / body.length;
    rows.push([`scoreRequestBody, ${name} (${body.length} bytes): ${outcome(body)}`,
      `${perByte.toFixed(2)} ns/byte, ${(perByte / jsonNsPerByte).toFixed(2)}x benign`]);
  }

  const width = Math.max(...rows.map(([label]) => label.length));
  for (const [label, figure] of rows) console.log(`${label.padEnd(width)}  ${figure}`);
}

main();
