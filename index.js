'use strict';
// The native module: the prebuilt one for this platform or the one built from source at
// install time (lib/locate.js says which).
const { locateModule } = require('./lib/locate.js');

const file = locateModule(__dirname);
if (file instanceof Error) throw file;
module.exports = require(file);
