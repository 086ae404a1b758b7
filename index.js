'use strict';
// The native module built by `npm install` (or `npm test`) into build/, or into the tree
// that QUENLITH_BUILD_DIR names (relative to this package).
const path = require('node:path');

module.exports = require(path.resolve(__dirname, process.env.QUENLITH_BUILD_DIR || 'build',
  'quenlith_node.node'));
