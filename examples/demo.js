'use strict';
// Loads the module, constructs an Agent and shows what the module exports.
const quenlith = require('..');

const agent = new quenlith.Agent({ enableLogging: false });
console.log('Agent constructed:', agent instanceof quenlith.Agent);
console.log('constants:', JSON.stringify(quenlith.constants, null, 2));
console.log('doNothing():', quenlith.doNothing());

// Request scoring: single inputs, then a loopback server scoring live requests.
require('./request_demo.js').main().catch((error) => {
  console.error(error);
  process.exitCode = 1;
});
