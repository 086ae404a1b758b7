// Type declarations of the native module: the Agent class and its methods, doNothing and
// constants. Every method runs synchronously and throws an `AgentError` on bad arguments.
// An options argument, when passed, must be an object: an explicit `undefined` throws, so
// the signatures with options take them as a required parameter of their own. A property
// of the options or of the inputs set to `undefined` throws too (it counts as present);
// `exactOptionalPropertyTypes` makes the compiler reject it.

/**
 * A text argument: a string or `String` object (read up to its first U+0000 character), or
 * a `Buffer` of UTF-8 bytes (read whole; methods that take a text view reject invalid UTF-8).
 */
export type Text = string | String | Uint8Array;

/** The names of the ten protection rules. */
export type RuleName =
  | 'unsafe-file-upload' | 'path-traversal' | 'reflected-xss' | 'sql-injection' | 'cmd-injection'
  | 'nosql-injection-mongo' | 'bot-blocker' | 'ssjs-injection' | 'method-tampering'
  | 'prototype-pollution';

/** The names of the input types. */
export type InputTypeName =
  | 'CookieName' | 'CookieValue' | 'HeaderKey' | 'HeaderValue' | 'JsonKey' | 'JsonValue'
  | 'Method' | 'ParameterKey' | 'ParameterValue' | 'UriPath' | 'UrlParameter' | 'MultipartName'
  | 'XmlValue' | 'RawBody';

/** The `code` of a thrown error: a status name. */
export type ErrorCode =
  | 'InvalidArg' | 'ObjectExpected' | 'StringExpected' | 'NameExpected' | 'FunctionExpected'
  | 'NumberExpected' | 'BooleanExpected' | 'ArrayExpected' | 'GenericFailure' | 'PendingException'
  | 'Cancelled' | 'EscapeCalledTwice' | 'HandleScopeMismatch' | 'CallbackScopeMismatch'
  | 'QueueFull' | 'Closing' | 'BigintExpected' | 'DateExpected' | 'ArrayBufferExpected'
  | 'DetachableArraybufferExpected' | 'WouldDeadlock' | 'Unknown';

/** What the constructor and the methods throw. */
export interface AgentError extends Error {
  code: ErrorCode;
}

/** Constructor options; logging is set up once per process, by the first construction. */
export interface AgentOptions {
  enableLogging?: boolean;
  /** Directory of the log file; default ".". */
  logDir?: string;
  /** "error", "warn", "info", "debug" or "trace" in any letter case; anything else is "warn". */
  logLevel?: string;
}

/** Options of the request-scoring methods. */
export interface EvalOptions {
  /** Truthy: rules that offer a cheap pre-screen answer with it alone (score 10, no ids). */
  preferWorthWatching?: unknown;
}

/** One finding of `scoreAtom` or `scoreHeader`. */
export interface Finding {
  ruleId: RuleName;
  score: number;
  idsList: string[];
}

/** One finding of `scoreRequestConnect` or `scoreRequestBody`, with the input it is on. */
export interface RequestFinding {
  ruleId: RuleName;
  inputType: InputTypeName;
  /** Key path of the input: its name, or the JSON key path; empty for the URI path and method. */
  path: string[];
  key: string;
  /** The evaluated text; for "nosql-injection-mongo" whether `key` is a MongoDB operator. */
  value: string | boolean;
  score: number;
  idsList: string[];
}

export interface RequestResponse {
  trackRequest: boolean;
  /** Present only when there is at least one finding. */
  resultsList?: RequestFinding[];
}

export interface BodyResponse extends RequestResponse {
  bodyType: 'json' | 'urlencoded';
}

/** The properties of a request's inputs. */
export interface ConnectInputFields {
  /** A query string, or names and values alternately. */
  queries?: string | readonly string[];
  /** Header names and values alternately. */
  headers?: readonly string[];
  /** Cookie names and values alternately. */
  cookies?: readonly string[];
  uriPath?: string;
  method?: string;
}

/** The inputs of a request: at least one property must be present (none throws). */
export type ConnectInputs = {
  [K in keyof ConnectInputFields]-?: ConnectInputFields & Pick<Required<ConnectInputFields>, K>;
}[keyof ConnectInputFields];

/** Where a user input breaks out of its token; positions in characters of the text. */
export interface SinkBoundary {
  startIndex: number;
  endIndex: number;
  overrunIndex: number;
  boundaryIndex: number;
}

/** One MongoDB operator key of a JSON text: the enclosing keys and the operator key. */
export interface MongoComparator {
  path: string[];
}

/** The scanner position of a chunked body scan, as two buffers the caller keeps. */
export interface XssState {
  state: ArrayBuffer;
  inputs: ArrayBuffer;
}

/** A user input reflected in a response body; positions in bytes of the whole body. */
export interface XssFinding {
  source: string;
  matchByteIndex: number;
  matchByteLength: number;
}

export class Agent {
  /** Reads the options and runs the process-wide set-up (rules, logging) on first use. */
  constructor();
  constructor(options: AgentOptions);

  /** `rules` is a mask of `constants.RuleType` bits, 1 to 1023. */
  scoreRequestConnect(rules: number, inputs: ConnectInputs): RequestResponse;
  scoreRequestConnect(rules: number, inputs: ConnectInputs, options: EvalOptions): RequestResponse;
  /** A body starting (after ASCII blanks) with `{`, `[` or `"` is JSON, any other URL-encoded. */
  scoreRequestBody(rules: number, body: Text): BodyResponse;
  scoreRequestBody(rules: number, body: Text, options: EvalOptions): BodyResponse;
  /** `inputType` is a `constants.InputType` value; undefined when nothing was found. */
  scoreAtom(rules: number, value: Text, inputType: number): Finding[] | undefined;
  scoreAtom(rules: number, value: Text, inputType: number, options: EvalOptions): Finding[] | undefined;
  scoreHeader(rules: number, name: Text, value: Text): Finding[] | undefined;
  scoreHeader(rules: number, name: Text, value: Text, options: EvalOptions): Finding[] | undefined;

  /** Input position and length in characters of `command`. */
  checkCommandInjectionSink(inputIndex: number, inputLength: number, command: Text): SinkBoundary | undefined;
  /** Input position and length in characters; `dbType` a `constants.DbType` value (others: Unknown). */
  checkSqlInjectionSink(inputIndex: number, inputLength: number, dbType: number, query: Text): SinkBoundary | undefined;
  /** Input position and length in bytes of the UTF-8 code. */
  checkSsjsInjectionSink(code: Text, inputIndex: number, inputLength: number): boolean;
  /** Throws the parser's message on invalid JSON; undefined when there is no operator key. */
  findMongoComparators(json: Text): MongoComparator[] | undefined;
  isMongoQueryType(key: Text): boolean;
  /** `isCustomCode` is read for its truthiness. */
  isDangerousPath(path: Text, isCustomCode: unknown): boolean;
  containsDangerousPath(command: Text): boolean;
  /** The character index of the first command-chaining character, or -1. */
  indexOfChaining(command: Text): number;
  isMethodTampering(method: Text): boolean;

  isXssInWholeBody(body: Text, inputs: readonly string[]): XssFinding | null;
  /** Scans one chunk; without a finding it replaces both buffers of `state`. */
  isXssInChunkedBody(chunk: Text, state: XssState): XssFinding | null;
  makeXssState(inputs: readonly string[]): XssState;
  isXssScriptOrIframeInUserInput(inputs: readonly string[]): boolean;
  checkSqlInjectionContextFreeSink(query: Text): boolean;
}

/** A new `{ trackRequest: false }` on every call. */
export function doNothing(): { trackRequest: false };

/** Plain objects that the module builds once per load; their properties are writable. */
export const constants: {
  RuleType: {
    'unsafe-file-upload': 1;
    'path-traversal': 2;
    'reflected-xss': 4;
    'sql-injection': 8;
    'cmd-injection': 16;
    'nosql-injection-mongo': 32;
    'bot-blocker': 64;
    'ssjs-injection': 128;
    'method-tampering': 256;
    'prototype-pollution': 512;
  };
  InputType: {
    CookieName: 1;
    CookieValue: 2;
    HeaderKey: 3;
    HeaderValue: 4;
    JsonKey: 5;
    JsonValue: 6;
    Method: 7;
    ParameterKey: 8;
    ParameterValue: 9;
    UriPath: 10;
    UrlParameter: 11;
    MultipartName: 12;
    XmlValue: 13;
    RawBody: 14;
  };
  DbType: {
    DB2: 1;
    MySQL: 2;
    Oracle: 3;
    Postgres: 4;
    Sqlite: 5;
    SqlServer: 6;
    Unknown: 7;
  };
};
