// Compiled with `tsc --noEmit` against the package's declarations; never run. The lines
// marked as expected errors are calls the declarations must reject.
import { Agent, constants, doNothing } from '../..';
import type { AgentError, RequestFinding, XssState } from '../..';

declare const bytes: Uint8Array;

export function usage(): void {
  const agent = new Agent({ enableLogging: false, logDir: '.', logLevel: 'debug' });
  new Agent();
  // @ts-expect-error enableLogging is a boolean
  new Agent({ enableLogging: 'yes' });

  const mask: number = constants.RuleType['sql-injection'] | constants.RuleType['cmd-injection'];
  // @ts-expect-error there is no such rule
  constants.RuleType['invalid-rule'];
  const seven: 7 = constants.DbType.Unknown;

  const connect = agent.scoreRequestConnect(mask, {
    queries: 'a=1&b=2', headers: ['User-Agent', 'x'], cookies: [], uriPath: '/', method: 'GET',
  }, { preferWorthWatching: true });
  const track: boolean = connect.trackRequest;
  for (const item of connect.resultsList ?? []) {
    const value: string | boolean = item.value;
    const path: string[] = item.path;
    const rule: string = item.ruleId;
    void value; void path; void rule;
  }
  agent.scoreRequestConnect(mask, { queries: ['a', '1'] });
  // @ts-expect-error headers are a flat array of strings
  agent.scoreRequestConnect(mask, { headers: { a: 'b' } });

  const body = agent.scoreRequestBody(mask, bytes);
  const kind: 'json' | 'urlencoded' = body.bodyType;
  const first: RequestFinding | undefined = body.resultsList?.[0];

  const atom = agent.scoreAtom(mask, new String('x'), constants.InputType.ParameterValue);
  if (atom) {
    const ids: string[] = atom[0].idsList;
    const score: number = atom[0].score;
    void ids; void score;
  }
  // @ts-expect-error the input type is a number
  agent.scoreAtom(mask, 'x', 'ParameterValue');
  agent.scoreHeader(mask, 'User-Agent', 'curl/8');

  const cmd = agent.checkCommandInjectionSink(0, 3, 'ls; id');
  const overrun: number | undefined = cmd?.overrunIndex;
  agent.checkSqlInjectionSink(0, 1, constants.DbType.MySQL, "' or 1=1");
  const ssjs: boolean = agent.checkSsjsInjectionSink('x', 0, 1);
  // @ts-expect-error positions are numbers
  agent.checkSsjsInjectionSink('x', '0', 1);
  const comparators = agent.findMongoComparators('{"$gt":1}');
  const comparatorPath: string[] | undefined = comparators?.[0]?.path;
  const flags: boolean[] = [
    agent.isMongoQueryType('$gt'), agent.isDangerousPath('/etc/passwd', 1),
    agent.containsDangerousPath('cat /etc/passwd'), agent.isMethodTampering('GET'),
    agent.checkSqlInjectionContextFreeSink("'a'='a'"),
    agent.isXssScriptOrIframeInUserInput(['<script>']),
  ];
  const chain: number = agent.indexOfChaining('a; b');

  const state: XssState = agent.makeXssState(['alert(1)']);
  const buffer: ArrayBuffer = state.inputs;
  const chunk = agent.isXssInChunkedBody('<script>alert(1)</script>', state);
  const whole = agent.isXssInWholeBody('<script>alert(1)</script>', ['alert(1)']);
  const at: number | undefined = (chunk ?? whole)?.matchByteIndex;
  // @ts-expect-error the inputs are strings
  agent.makeXssState([1]);

  const nothing: false = doNothing().trackRequest;

  try {
    agent.isMethodTampering('GET');
  } catch (e) {
    const code: string = (e as AgentError).code;
    void code;
  }
  void [seven, track, kind, first, overrun, ssjs, comparatorPath, flags, chain, buffer, at, nothing];
}
