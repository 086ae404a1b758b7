// Compiled with `tsc --noEmit` as an ES module that imports the package by its name; never
// run. The lines marked as expected errors are what the declarations must reject.
import quenlith, { Agent, constants, doNothing } from 'quenlith_node';
import type { AgentError, Finding } from 'quenlith_node';

export function usage(): void {
  const agent: Agent = new quenlith.Agent();
  const same: typeof Agent = quenlith.Agent;
  const mask: 8 = quenlith.constants.RuleType['sql-injection'];
  const findings: Finding[] | undefined = agent.scoreAtom(mask, 'x', constants.InputType.UriPath);
  agent.scoreAtom(mask, 'x', constants.InputType.UriPath, { preferWorthWatching: 1 });
  const nothing: false = doNothing().trackRequest;
  const code: string = ({} as AgentError).code;

  // @ts-expect-error an explicit undefined for the options throws
  new Agent(undefined);
  // @ts-expect-error an options property set to undefined throws
  new Agent({ logDir: undefined });
  // @ts-expect-error an explicit undefined for the options throws
  agent.scoreAtom(mask, 'x', constants.InputType.UriPath, undefined);
  // @ts-expect-error an explicit undefined for the options throws
  agent.scoreHeader(mask, 'a', 'b', undefined);
  // @ts-expect-error an explicit undefined for the options throws
  agent.scoreRequestBody(mask, '{}', undefined);
  // @ts-expect-error an explicit undefined for the options throws
  agent.scoreRequestConnect(mask, { method: 'GET' }, undefined);
  // @ts-expect-error inputs without any property throw
  agent.scoreRequestConnect(mask, {});
  agent.scoreRequestConnect(mask, { headers: [] });
  // @ts-expect-error an inputs property set to undefined throws
  agent.scoreRequestConnect(mask, { uriPath: undefined });
  // @ts-expect-error the module has no such export
  quenlith.nothing;
  void [same, findings, nothing, code];
}
