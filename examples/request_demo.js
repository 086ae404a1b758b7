'use strict';
// Request scoring: single inputs and headers with scoreAtom and scoreHeader, then a loopback
// server that scores every request it receives, fed benign and malicious requests.
const { Agent, constants } = require('..');
const { startServer } = require('./request_server.js');

const { InputType } = constants;
const typeName = (type) => Object.keys(InputType).find((name) => InputType[name] === type);
const ALL_RULES = 1023;

const REQUESTS = [
  ['benign page view', '/products/42?color=blue&sort=price', {
    headers: { 'user-agent': 'Mozilla/5.0 (X11; Linux x86_64) Firefox/120.0', cookie: 'session=6f1c2a9e8b' } }],
  ['benign JSON order', '/api/orders', { method: 'POST', body: JSON.stringify({ item: 42, qty: 2 }) }],
  ['SQL injection in a query', `/search?q=${encodeURIComponent("x' OR 'a'='a")}`, {}],
  ['bad bot', '/', { headers: { 'user-agent': 'Nikto/2.1.6' } }],
  ['MongoDB operator in a JSON body', '/api/login',
    { method: 'POST', body: JSON.stringify({ user: 'admin', password: { $ne: null } }) }],
  ['tampered method', '/', { method: 'PURGE' }],
  ['command injection in a header', '/', { headers: { 'x-forwarded-host': 'example.com; cat /etc/passwd' } }],
];

function table(rows) {
  const widths = rows[0].map((_, column) => Math.max(...rows.map((row) => String(row[column]).length)));
  const line = (row) => row.map((cell, column) => String(cell).padEnd(widths[column])).join('  ').trimEnd();
  console.log(line(rows[0]));
  console.log(line(widths.map((width) => '-'.repeat(width))));
  for (const row of rows.slice(1)) console.log(line(row));
}

function describe(findings) {
  if (!findings) return 'nothing found';
  return findings.map((f) => `${f.ruleId} (${f.score}: ${f.idsList.join(', ') || 'pre-screen'})`).join('; ');
}

function scoreSingleInputs(agent) {
  console.log('\n== Single inputs and headers: scoreAtom, scoreHeader ==');
  const rows = [['call', 'input', 'findings']];
  const atoms = [
    ["' or 1=1--", InputType.ParameterValue, {}],
    ["' or 1=1--", InputType.ParameterValue, { preferWorthWatching: true }],
    ['../../etc/passwd', InputType.UriPath, {}],
    ['shell.php', InputType.MultipartName, {}],
    ['hello world', InputType.ParameterValue, {}],
  ];
  for (const [text, type, options] of atoms) {
    const flag = options.preferWorthWatching ? ', worth watching' : '';
    rows.push([`scoreAtom(${typeName(type)}${flag})`, text, describe(agent.scoreAtom(ALL_RULES, text, type, options))]);
  }
  const headers = [['User-Agent', 'Mozilla/5.0 Firefox/120.0'], ['User-Agent', 'Nikto/2.1.6'],
    ['X-Api-Filter', "' union select 1,2"]];
  for (const [name, value] of headers) {
    rows.push(['scoreHeader', `${name}: ${value}`,
      describe(agent.scoreHeader(ALL_RULES, name, value))]);
  }
  table(rows);
}

async function scoreRequests(agent) {
  const { server, url } = await startServer(agent);
  console.log(`\n== Requests to a server on ${url}: scoreRequestConnect, scoreRequestBody ==`);
  try {
    const rows = [['request', 'method', 'status', 'verdict']];
    for (const [name, path, init] of REQUESTS) {
      const response = await fetch(url + path, init);
      const verdict = await response.json();
      const found = verdict.error
        ? `error ${verdict.error.code}: ${verdict.error.message}`
        : verdict.findings.map((f) => `${f.ruleId} in ${f.inputType}${f.key ? ` '${f.key}'` : ''}`).join('; ');
      rows.push([name, init.method || 'GET', response.status, found || 'allowed']);
    }
    table(rows);
  } finally {
    await new Promise((resolve) => server.close(resolve));
  }
}

async function main() {
  const agent = new Agent();
  scoreSingleInputs(agent);
  await scoreRequests(agent);
}

module.exports = { main };
