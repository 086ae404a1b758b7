// Declarations of the ES-module entry: the exports of the CommonJS module, as named exports
// and as the default export.
import * as native from './index.js';

export * from './index.js';
export default native;
