'use strict';
// An HTTP server that scores every request it receives and answers the verdict as JSON:
// the query string, headers, cookies, path and method go to scoreRequestConnect, the body
// to scoreRequestBody.
const http = require('node:http');
const { Agent } = require('..');

const ALL_RULES = 1023;

// The Cookie header as a flat list of names and values.
function cookiePairs(header) {
  const pairs = [];
  for (const part of (header || '').split(';')) {
    const text = part.trim();
    if (!text) continue;
    const eq = text.indexOf('=');
    pairs.push(eq < 0 ? text : text.slice(0, eq), eq < 0 ? '' : text.slice(eq + 1));
  }
  return pairs;
}

// The path with its percent escapes decoded; as sent when they are malformed.
function decodePath(path) {
  try {
    return decodeURIComponent(path);
  } catch {
    return path;
  }
}

// One finding in the verdict: what was flagged, where, and by which patterns.
function summarize(result) {
  return {
    ruleId: result.ruleId,
    inputType: result.inputType,
    key: result.key,
    value: result.value,
    idsList: result.idsList,
  };
}

// The verdict on one request: the findings of both calls, or the error a call threw.
function scoreRequest(agent, req, body) {
  const [path, query = ''] = req.url.split(/\?(.*)/s);
  const verdict = { track: false, findings: [] };
  const collect = (response) => {
    if (response.trackRequest) verdict.track = true;
    for (const result of response.resultsList || []) verdict.findings.push(summarize(result));
  };
  try {
    collect(agent.scoreRequestConnect(ALL_RULES, {
      queries: query,
      headers: req.rawHeaders,
      cookies: cookiePairs(req.headers.cookie),
      uriPath: decodePath(path),
      method: req.method,
    }));
    if (body.length > 0) {
      const response = agent.scoreRequestBody(ALL_RULES, body);
      verdict.bodyType = response.bodyType;
      collect(response);
    }
  } catch (error) {
    verdict.track = true;
    verdict.error = { code: error.code, message: error.message };
  }
  return verdict;
}

// A server on 127.0.0.1 and an ephemeral port; resolves to { server, url }.
function startServer(agent = new Agent()) {
  const server = http.createServer((req, res) => {
    const chunks = [];
    req.on('data', (chunk) => chunks.push(chunk));
    req.on('end', () => {
      const verdict = scoreRequest(agent, req, Buffer.concat(chunks));
      res.writeHead(verdict.track ? 403 : 200, { 'content-type': 'application/json' });
      res.end(JSON.stringify(verdict));
    });
  });
  return new Promise((resolve, reject) => {
    server.once('error', reject);
    server.listen(0, '127.0.0.1', () => {
      resolve({ server, url: `http://127.0.0.1:${server.address().port}` });
    });
  });
}

module.exports = { startServer, scoreRequest, cookiePairs };
