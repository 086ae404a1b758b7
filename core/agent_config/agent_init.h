// The process-wide initialisation run by every construction of an Agent.
#pragma once

#include <string>
#include <string_view>

#include "core/agent_config/logging.h"
#include "core/expected.h"
#include "core/fatal_error.h"

namespace sorvane::agent_config::agent_init {

inline constexpr std::string_view kVersionText = "1.1.6 (build info: )";

// The environment variables that, when both are set and the level parses, enable logging
// and take precedence over the options.
inline constexpr std::string_view kLogLevelVariable = "QUENLITH_SORVANE_LOG_LEVEL";
inline constexpr std::string_view kLogDirVariable = "QUENLITH_SORVANE_LOG_DIR";

struct AgentOptions {
  bool enable_logging = false;
  std::string log_dir = ".";
  logging::LogLevel log_level = logging::LogLevel::Warn;
};

// Builds the rule registry (once), configures logging (once per process, from the
// environment or else from `options`) and installs the panic report (once). A failure
// leaves logging unconfigured, so the next call tries again; the error is its message.
Expected<void, std::string> init(const AgentOptions& options);

// The panic report: one error line "PANIC! payload "<message or n/a>" in file "<file>" at
// line <n>" when any level is enabled.
void panic_hook(const FatalError& error);

}  // namespace sorvane::agent_config::agent_init
