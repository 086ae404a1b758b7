'use strict';
// The inputs and the timer shared by the Node benchmark scripts: a typical browser request as
// scoreRequestConnect takes it, about 100 KB of benign JSON, and the median time per call.
const { medianPerCall, benignJsonText } = require('./timing');

const BROWSER_REQUEST = {
  queries: 'color=blue&size=m&sort=price_asc&page=2',
  headers: [
    'Host', 'shop.example.com',
    'User-Agent', 'Mozilla/5.0 (X11; Linux x86_64; rv:120.0) Gecko/20100101 Firefox/120.0',
    'Accept', 'text/html,application/xhtml+xml,application/xml;q=0.9,image/avif,image/webp,*/*;q=0.8',
    'Accept-Language', 'en-US,en;q=0.5',
    'Accept-Encoding', 'gzip, deflate, br',
    'Referer', 'https://shop.example.com/catalog?page=1',
    'Connection', 'keep-alive',
    'Cookie', 'session=6f1c2a9e8b7d; theme=dark; consent=yes',
    'Upgrade-Insecure-Requests', '1',
    'Sec-Fetch-Dest', 'document',
    'Sec-Fetch-Mode', 'navigate',
    'Sec-Fetch-Site', 'same-origin',
  ],
  cookies: ['session', '6f1c2a9e8b7d', 'theme', 'dark', 'consent', 'yes'],
  uriPath: '/products/42/reviews',
  method: 'GET',
};

// Every string of a request object, in reading order.
function requestStrings(request) {
  const strings = [];
  for (const value of [request.queries, request.headers, request.cookies, request.uriPath, request.method]) {
    if (typeof value === 'string') strings.push(value);
    else if (Array.isArray(value)) strings.push(...value);
  }
  return strings;
}

const BODY_SIZE = 100 * 1024;

// About 100 KB of JSON as a web shop's API would receive it.
function benignJsonBody() {
  return Buffer.from(benignJsonText(BODY_SIZE));
}

// Medians per call in nanoseconds of several functions measured side by side: each sample
// times every function in turn, so a change of load moves all of them alike.
// `cases` holds [fn, calls] pairs.
function interleavedMediansPerCall(cases, samples = 41) {
  for (const [fn, calls] of cases) for (let i = 0; i < calls; ++i) fn();
  const perCall = cases.map(() => []);
  for (let s = 0; s < samples; ++s) {
    cases.forEach(([fn, calls], c) => {
      const start = process.hrtime.bigint();
      for (let i = 0; i < calls; ++i) fn();
      perCall[c].push(Number(process.hrtime.bigint() - start) / calls);
    });
  }
  return perCall.map((list) => list.sort((a, b) => a - b)[list.length >> 1]);
}

module.exports = { BROWSER_REQUEST, BODY_SIZE, requestStrings, benignJsonBody, medianPerCall,
  interleavedMediansPerCall };
