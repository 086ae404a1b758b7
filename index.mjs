// The ES-module entry: the same exports object as `require('quenlith_node')`, as named
// exports and as the default export.
import { createRequire } from 'node:module';

const native = createRequire(import.meta.url)('./index.js');

export const { Agent, doNothing, constants } = native;
export default native;
