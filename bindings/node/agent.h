// The Agent class: its constructor and the native object attached to each instance.
#pragma once

#include "bindings/node/napi.h"
#include "core/agent_config/agent_init.h"

namespace bindings::node::agent {

// Reads the options object (argument 0, when passed) over the defaults.
napi::Result<sorvane::agent_config::agent_init::AgentOptions> read_options(napi_env env,
                                                                           napi_value options);

// The constructor body: reads the options, runs the process-wide initialisation and
// attaches a fresh native object to `this`.
napi::Result<napi_value> constructor(napi_env env, napi_callback_info info);

}  // namespace bindings::node::agent
