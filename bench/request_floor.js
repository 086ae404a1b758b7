'use strict';
// scoreRequestConnect on a typical browser request beside its floors, measured in the same run:
// encoding the request's strings to UTF-8 in JavaScript, and reading the same strings through
// Node-API and doing nothing else (the test addon, when the build has it). Then the optional
// side-by-side peer (bench/peer/modsecurity_peer.cc, built where libmodsecurity is installed)
// on the same request and the same 100 KB JSON body. Run: node bench/request_floor.js
const { execFileSync } = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { Agent } = require('..');
const {
  BROWSER_REQUEST, requestStrings, benignJsonBody, medianPerCall, interleavedMediansPerCall,
} = require('./support/requests.js');

const ALL_RULES = 1023;
const CALLS = 5000;
const buildDir = path.join(__dirname, '..', process.env.QUENLITH_BUILD_DIR || 'build');
const agent = new Agent();

const strings = requestStrings(BROWSER_REQUEST);
const encoded = new Uint8Array(3 * Math.max(...strings.map((s) => s.length)));
const encoder = new TextEncoder();

// The UTF-8 floor: every string of the request encoded, each into the same scratch buffer.
function encodeStrings() {
  let total = 0;
  for (const s of strings) total += encoder.encodeInto(s, encoded).written;
  return total;
}

function byteLengths() {
  let total = 0;
  for (const s of strings) total += Buffer.byteLength(s);
  return total;
}

function loadProbe() {
  try {
    return require(path.join(buildDir, 'quenlith_bindings_probe.node'));
  } catch {
    return null;
  }
}

// The request as the peer program reads it: one tab-separated line per input.
function peerRequestFile(request) {
  const lines = [`method\t${request.method}`, `path\t${request.uriPath}`, `query\t${request.queries}`];
  for (let i = 0; i + 1 < request.headers.length; i += 2) {
    lines.push(`header\t${request.headers[i]}\t${request.headers[i + 1]}`);
  }
  for (let i = 0; i + 1 < request.cookies.length; i += 2) {
    lines.push(`cookie\t${request.cookies[i]}\t${request.cookies[i + 1]}`);
  }
  return `${lines.join('\n')}\n`;
}

// The peer's figures, or the reason it was skipped.
function runPeer(body) {
  const program = path.join(buildDir, 'modsecurity_peer');
  if (!fs.existsSync(program)) {
    return { skipped: 'the peer benchmark is not built (install libmodsecurity-dev and modsecurity-crs, then rebuild)' };
  }
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'quenlith-peer-'));
  try {
    const requestFile = path.join(dir, 'request.tsv');
    const bodyFile = path.join(dir, 'body.json');
    fs.writeFileSync(requestFile, peerRequestFile(BROWSER_REQUEST));
    fs.writeFileSync(bodyFile, body);
    const output = execFileSync(program, [requestFile, bodyFile], { encoding: 'utf8', timeout: 600000 });
    return JSON.parse(output.trim().split('\n').pop());
  } finally {
    fs.rmSync(dir, { recursive: true, force: true });
  }
}

const us = (ns) => `${(ns / 1000).toFixed(2)} µs`;
const times = (a, b) => `${(a / b).toFixed(1)}x`;

function main() {
  const rows = [];
  const utf8Bytes = byteLengths();
  const probe = loadProbe();
  const cases = [
    [() => agent.scoreRequestConnect(ALL_RULES, BROWSER_REQUEST), CALLS],
    [encodeStrings, CALLS * 4],
    [byteLengths, CALLS * 4],
  ];
  if (probe) cases.push([() => probe.readRequestStrings(BROWSER_REQUEST), CALLS * 2]);
  const [connectNs, encodeNs, byteLengthNs, readNs = null] = interleavedMediansPerCall(cases);
  // The floor is the cheaper of the two ways to get each string's UTF-8 form.
  const floorNs = Math.min(encodeNs, byteLengthNs);
  rows.push([`scoreRequestConnect, browser request (${strings.length} strings, ${utf8Bytes} UTF-8 bytes), mask 1023`,
    `${us(connectNs)}/call = ${times(connectNs, floorNs)} the UTF-8 floor (target < 13x)`]);
  rows.push(['  UTF-8 floor: TextEncoder.encodeInto of each string', us(encodeNs)]);
  rows.push(['  UTF-8 floor: Buffer.byteLength of each string', us(byteLengthNs)]);
  if (readNs === null) {
    rows.push(['  reading the strings through Node-API', 'skipped: the test addon is not built']);
  } else {
    rows.push(['  reading the strings through Node-API, nothing else',
      `${us(readNs)} = ${times(readNs, floorNs)} the floor; scoreRequestConnect ${times(connectNs, readNs)} it`]);
  }

  const body = benignJsonBody();
  const peer = runPeer(body);
  if (peer.skipped) {
    rows.push(['side-by-side peer (ModSecurity v3, Core Rule Set, paranoia level 1)', `skipped: ${peer.skipped}`]);
  } else {
    const bodyNs = medianPerCall(() => agent.scoreRequestBody(ALL_RULES, body), 20, 21);
    rows.push([`peer (ModSecurity v3 + CRS PL1, ${peer.rulesLoaded} rules), same request, one transaction`,
      `${us(peer.peerRequestNs)}; ${times(peer.peerRequestNs, connectNs)} scoreRequestConnect, ` +
      `${times(peer.peerRequestNs, peer.engineRequestNs)} the engine alone in the peer's process (${us(peer.engineRequestNs)})`]);
    rows.push([`peer, same ${body.length}-byte JSON body (POST, JSON body processor)`,
      `${us(peer.peerBodyNs)}; ${times(peer.peerBodyNs, bodyNs)} scoreRequestBody (${us(bodyNs)}), ` +
      `${times(peer.peerBodyNs, peer.engineBodyNs)} check_json in the peer's process (${us(peer.engineBodyNs)})`]);
  }

  const width = Math.max(...rows.map(([label]) => label.length));
  for (const [label, figure] of rows) console.log(`${label.padEnd(width)}  ${figure}`);
}

main();
