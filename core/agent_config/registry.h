// Building and forcing the process-wide rule registry.
#pragma once

#include "core/agent_config/definitions.h"

namespace sorvane::agent_config::agent_init {

// Calls every rule's init in index order.
AgentConfig init_config();

// The process-wide registry: built exactly once on first use, read-only afterwards.
const AgentConfig& CONFIG();

}  // namespace sorvane::agent_config::agent_init
