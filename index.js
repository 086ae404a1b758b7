'use strict';
// The native module built by `npm install` (or `npm test`) into build/.
module.exports = require('./build/quenlith_node.node');
