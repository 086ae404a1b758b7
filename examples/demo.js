'use strict';
// Loads the module, constructs an Agent and shows what the module exports.
const quenlith = require('..');

const agent = new quenlith.Agent({ enableLogging: false });
console.log('Agent constructed:', agent instanceof quenlith.Agent);
console.log('constants:', JSON.stringify(quenlith.constants, null, 2));
console.log('doNothing():', quenlith.doNothing());

// ---------------------------------------------------------------------------------------
// Sink checks and the response-body scanner
// ---------------------------------------------------------------------------------------
{
  console.log('\n== Sink checks ==');
  // A malicious input inserted into a SQL query and a shell command. Positions are given
  // in characters (the JavaScript index equals it for text without astral characters).
  const malicious = "1' OR '1'='1";
  const query = `SELECT * FROM users WHERE id = '${malicious}'`;
  const sql = agent.checkSqlInjectionSink(query.indexOf(malicious), malicious.length,
    quenlith.constants.DbType.MySQL, query);
  console.log('query:', query);
  console.log('checkSqlInjectionSink:', sql);
  const benign = agent.checkSqlInjectionSink(query.indexOf(malicious), 1, quenlith.constants.DbType.MySQL, query);
  console.log('the same position with only "1":', benign);

  const file = 'report.txt; cat /etc/passwd';
  const command = `ls -l ${file}`;
  console.log('command:', command);
  console.log('checkCommandInjectionSink:', agent.checkCommandInjectionSink(command.indexOf(file), file.length, command));
  console.log('indexOfChaining:', agent.indexOfChaining(command),
    ' containsDangerousPath:', agent.containsDangerousPath(command));

  console.log('\n== Response-body scanner, chunk by chunk ==');
  // A search term reflected inside script content; the response arrives in pieces that cut
  // through the tag and the reflected text.
  const input = '";alert(document.cookie)//';
  const chunks = ['<html><body><h1>Results</h1><scr', 'ipt>var term = "";ale', 'rt(document.cookie)//";</script>',
    '</body></html>'];
  const state = agent.makeXssState([input, 'plain words']);
  console.log('tracked inputs:', [input], '(plain words hold no markup byte and are not tracked)');
  for (const [i, chunk] of chunks.entries()) {
    const finding = agent.isXssInChunkedBody(chunk, state);
    console.log(`chunk ${i} ${JSON.stringify(chunk)} ->`, finding);
    if (finding) break;
  }
}

// ---------------------------------------------------------------------------------------
// Request scoring: single inputs, then a loopback server scoring live requests
// ---------------------------------------------------------------------------------------
require('./request_demo.js').main().catch((error) => {
  console.error(error);
  process.exitCode = 1;
});
