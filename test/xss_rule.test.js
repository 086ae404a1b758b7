'use strict';
// The reflected-XSS rule through scoreAtom and scoreRequestConnect: its character and
// short-input gates, the decoding of JavaScript escapes and HTML references, the pattern it
// reports and the input types it looks at.
const test = require('node:test');
const assert = require('node:assert');
const { inspect } = require('node:util');
const { Agent, constants } = require('..');

const agent = new Agent();
const { RuleType, InputType } = constants;
const XSS = RuleType['reflected-xss'];

// What scoreAtom answers for one finding of the rule with the identifier `id`.
const finding = (id) => [{ ruleId: 'reflected-xss', score: 90, idsList: [id] }];

// Each case: a text scored as a ParameterValue, and the identifier reported, or null for none.
function expectIds(cases) {
  for (const [text, id] of cases) {
    const label = `${inspect(text)} (${Buffer.byteLength(text)} bytes)`;
    assert.deepStrictEqual(agent.scoreAtom(XSS, text, InputType.ParameterValue),
      id === null ? undefined : finding(id), label);
  }
}

test('each pattern of the rule reports its identifier', () => {
  expectIds([
    ['onclick=alert(1)', 'BAD-EVENT_HANDLERS-1'],
    ['<img src=x onerror\t=alert(1)>', 'BAD-EVENT_HANDLERS-1'],
    ['ONCLICK = 1; more text here', 'BAD-EVENT_HANDLERS-1'],
    ['{}.")//abcdefghij', 'ANGULAR-CONTEXT-BREAK'],
    ['<script>', 'PIDS-XSS-38A'],
    ['< iframe src=xyz>', 'PIDS-XSS-38A'],
    ['<script\u00a0src=x>', 'PIDS-XSS-38A'],
    // The longest keyword at a place wins: "background-image" before "background".
    ['background-image: url(//x)', 'CSS-REMOTE-URL-1'],
    ['background: url(http://x)', 'CSS-REMOTE-URL-2'],
    ['cursor: pointer url(x)', 'CSS-REMOTE-URL-2'],
    ['@import "http://evil/x.css"', 'STYLE-IMPORTS'],
    ['window.alert(1)', 'BAD-JS-OBJECT'],
    ['WINDOW.alert(1)', 'BAD-JS-OBJECT'],
    ['document.body.appendChild(x)', 'BAD-JS-OBJECT'],
    ["window['alert'](1)", 'BAD-JS-OBJECT'],
    ['self[1 ]; more text', 'BAD-JS-OBJECT'],
    ['x=alert(1)', 'BAD-JS-FUNCTION-CALL'],
    ['alert`1`', 'BAD-JS-FUNCTION-CALL'],
    ['x = function(){}', 'EVALUATORS-XSS-Function-Definitions'],
    ['x=>{alert(1)}', 'EVALUATORS-XSS-Lambda-Definitions'],
    ['data:text/html;base64,PHNjcmlwdD4=', 'DATA-URI-1'],
    ['javascript:alert(1)', 'QUENLITH-XSS-KEYWORDS-1'],
    ['VBScript:msgbox(1)', 'QUENLITH-XSS-KEYWORDS-1'],
    ['x=expression(alert)', 'QUENLITH-XSS-KEYWORDS-1'],
    ['String.fromCharCode(60)', 'QUENLITH-XSS-KEYWORDS-2'],
    // The hit at the dot is ".constructor.", longer than "constructor" after it.
    ['x.constructor.prototype(1)', 'QUENLITH-XSS-KEYWORDS-2'],
    ['+ADw-script+AD4-alert(1)', 'QUENLITH-XSS-KEYWORDS-2'],
  ]);
});

test('keyword hits used the way text uses them are not flagged', () => {
  expectIds([
    ['hello world', null],
    ['please confirm (yes or no)', null],
    ['foo alert(1) bar', null],
    ['x=alert`a b`; more text', null],
    ['window.foo(1) is fine', null],
    ['self[1]; more text', null],
    ['<scripts>', null],
    ['x<script', null],
    ['String.FROMCHARCODE(60)', null],
    ['onclick x=1 more words', null],
  ]);
});

test('a function name scores only when it is called in script context', () => {
  const call = 'BAD-JS-FUNCTION-CALL';
  expectIds([
    ['typeof alert(1)', call], ['return alert(1)', call], ['void\u00a0alert(1)', call], ['(1) alert(1)', call],
    ['foo\nalert(1)', call], ['foo\u2028alert(1)', call], ['_alert(1)', call], ['\u20acalert(1)', call],
    ['x.alert(1)', call], ['alert /* c */ /**/ (1)', call], ['alert/**/?./**/(1)', call], ['alert\ufeff(1)', call],
    ["alert('a b')", call], ['alert()', call], ['alert((1) a b)', call], ['alert("x" + "y")', call],
    ['new alert(1) more', null], ['VOID alert(1)', null], ['abcdefghijk alert(1)', null], ['foo\u00a0alert(1)', null],
    ['x 1 alert(1)', null], ['x .alert(1)', null], ['\u00e9alert(1);;;;;;', null], ['1alert(1);;;;;;;;', null],
    ['alert/*c(1)', null], ['alert//c\n(1)', null], ['alert?.x(1)', null], ['alert.call(1)', null],
    ['alert(a b)', null], ['alert(1', null], ["alert(a'/*c*/+'b c)", null], ['function foo(a, b)', null],
  ]);
  // A tag name stands between "<" and ">" or whitespace, Unicode whitespace included.
  expectIds([
    ['<\u3000script> more text', 'PIDS-XSS-38A'], ['< \t\nscript> more text', 'PIDS-XSS-38A'],
    ['<script\u2028>', 'PIDS-XSS-38A'], ['<\u200bscript> more text', null], ['<script\u180e> more text', null],
  ]);
});

test('the character gate wants a quote, =, <, >, ;, (, backtick, : or underscore', () => {
  expectIds([
    ['top[/alert/.source]', null],
    ['top[/alert/.source];', 'BAD-JS-OBJECT'],
    ['+ADw-script+AD4-x+ADw-/script+AD4-', null],
    ['+ADw-script+AD4-x+ADw-/script+AD4-;', 'QUENLITH-XSS-KEYWORDS-2'],
  ]);
});

test('an input of at most 16 bytes is matched only when it holds a short attack vector', () => {
  expectIds([
    ['<iframe src=abc>', null],
    ['<iframe src=abcd>', 'PIDS-XSS-38A'],
    // Bytes count, not characters.
    ['<iframe src=\u00e9\u00e9>', 'PIDS-XSS-38A'],
    ['{}.")//', null],
    ['<SCRIPT>', 'PIDS-XSS-38A'],
    // The gate reads the text before decoding: "\x61lert" holds no vector, "\u{61}" holds "\u".
    ['\\x61lert(1)', null],
    ['\\u{61}lert(1)', 'BAD-JS-FUNCTION-CALL'],
  ]);
  // Each of these vectors opens the gate on its own.
  const calls = ['alert', 'confirm', 'constructor', 'eval', 'open', 'print', 'prompt', 'setTimeout',
    'setInterval', 'setImmediate', 'substring', 'attachEvent'];
  const handlers = ['onabort', 'onafterprint', 'onblur', 'oncanplay', 'onchange', 'onclick', 'oncopy', 'oncut',
    'ondblclick', 'ondrag', 'ondragover', 'ondragstart', 'onerror', 'onfocus', 'onhashchange', 'oninput',
    'onload', 'onloadeddata', 'onmousemove', 'onmouseout', 'ononline', 'onpagehide', 'onpaste', 'onpopstate',
    'onprogress', 'onreset', 'onseeked', 'onseeking', 'onsubmit', 'onsuspend', 'onwaiting', 'onwheel'];
  expectIds([
    ...calls.map((name) => [`${name}(1)`, 'BAD-JS-FUNCTION-CALL']),
    ...handlers.map((name) => [`${name}=x`, 'BAD-EVENT_HANDLERS-1']),
  ]);
});

test('JavaScript letter escapes, then HTML references, are decoded before matching', () => {
  expectIds([
    ['\\x6fnclick=alert(1)', 'BAD-EVENT_HANDLERS-1'],
    ['x=\\x61lert(1);;;;', 'BAD-JS-FUNCTION-CALL'],
    ['\\u0061lert(1);;;;;', 'BAD-JS-FUNCTION-CALL'],
    ['\\u{061}lert(1);;;;', 'BAD-JS-FUNCTION-CALL'],
    // Only escapes of a to z are decoded, and only in lower-case \x and \u forms.
    ['\\x41lert(1);;;;;;;', null],
    ['\\X61lert(1);;;;;;;', null],
    ["x=alert&#40;'1')", 'BAD-JS-FUNCTION-CALL'],
    ["x=alert&#x28;'1')", 'BAD-JS-FUNCTION-CALL'],
    ["x=alert&lpar;'1')", 'BAD-JS-FUNCTION-CALL'],
    ["x=alert&LPAR;'1')", 'BAD-JS-FUNCTION-CALL'],
    ["x=alert&Lpar;'1')", null],
    // The first of two backslashes starts no escape; the second does.
    ['x=\\\\x61lert(1);;;;', 'BAD-JS-FUNCTION-CALL'],
    ['x=\\u{61lert(1);;;;;', null],
    ["x=alert& lpar;1);;;;;", 'BAD-JS-FUNCTION-CALL'],
    ["x=alert&&lpar;1);;;;", 'BAD-JS-FUNCTION-CALL'],
    ["x=alert&#0000000040;1);", 'BAD-JS-FUNCTION-CALL'],
    ['x=alert&lpar1);;;;;;', null],
    // A decoded NUL or TAB may stand between an event handler and its "=".
    ['onclick&#0;=x more text', 'BAD-EVENT_HANDLERS-1'],
    ['onclick&tab;=x more text', 'BAD-EVENT_HANDLERS-1'],
    ['onclick&#1;=x more text', null],
    // A reference decoded into a backslash escape stays as it is.
    ['x=&#92;x61lert(1)', null],
    // The characters a pattern requires are looked up in the input as received.
    ['&#60;script&#62; and more words', null],
    ['x< &lt;script&gt; more', 'PIDS-XSS-38A'],
  ]);
});

test('one finding scored 90 with the identifier of the first pattern that reached 90', () => {
  expectIds([
    ['<script>alert(1)</script>', 'PIDS-XSS-38A'],
    ['onclick=alert(1)', 'BAD-EVENT_HANDLERS-1'],
    // The keyword-less pattern is tried before any keyword hit.
    ['<script>{}.")//abcdefghij', 'ANGULAR-CONTEXT-BREAK'],
    ['window.alert(1); javascript:alert(1)', 'BAD-JS-OBJECT'],
  ]);
  // Through the request method too, and whatever other rules the mask selects.
  const response = agent.scoreRequestConnect(XSS | RuleType['sql-injection'],
    { queries: ['q', '<script>alert(1)</script>'] });
  assert.deepStrictEqual(response.resultsList.filter((r) => r.ruleId === 'reflected-xss').map((r) => [r.score, r.idsList]),
    [[90, ['PIDS-XSS-38A']]]);
});

test('the rule looks at JSON values, parameters, URI paths, URL parameters and XML values only', () => {
  const applies = new Set(['JsonValue', 'ParameterKey', 'ParameterValue', 'UriPath', 'UrlParameter', 'XmlValue']);
  for (const [name, type] of Object.entries(InputType)) {
    assert.deepStrictEqual(agent.scoreAtom(XSS, '<script>', type),
      applies.has(name) ? finding('PIDS-XSS-38A') : undefined, name);
  }
  const response = agent.scoreRequestConnect(XSS, {
    queries: ['<script>', '1', 'q', '<script>'],
    headers: ['X-Forwarded-Host', '<script>'],
    cookies: ['<script>', '<script>'],
    uriPath: '/<script>',
  });
  assert.deepStrictEqual(response.resultsList.map((r) => [r.inputType, r.key, r.value, r.idsList]), [
    ['ParameterKey', '<script>', '<script>', ['PIDS-XSS-38A']],
    ['ParameterValue', 'q', '<script>', ['PIDS-XSS-38A']],
    ['UriPath', '', '/<script>', ['PIDS-XSS-38A']],
  ]);
  assert.deepStrictEqual(agent.scoreHeader(XSS, 'X-Forwarded-Host', '<script>'), undefined);
  assert.deepStrictEqual(agent.scoreRequestBody(XSS, '{"<script>": "<script>"}').resultsList.map((r) => r.inputType),
    ['JsonValue']);
});
