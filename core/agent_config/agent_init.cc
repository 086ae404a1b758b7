#include "core/agent_config/agent_init.h"

#include <mutex>
#include <optional>

#include "core/evaluation/rules/registry.h"
#include "core/fatal_error.h"
#include "core/log/log.h"
#include "core/platform/env.h"
#include "core/platform/source_path.h"
#include "core/sync/rw_lock.h"

namespace sorvane::agent_config::agent_init {
namespace {

constexpr const char* kTarget = "sorvane::agent_config::agent_init";
constexpr const char* kLoggingTarget = "sorvane::agent_config::logging";

struct LoggingConfig {
  std::optional<logging::LoggerHandle> handle;
  bool initialized = false;
  bool enabled = false;
};

sync::RwLock<LoggingConfig>& logging_config() {
  static sync::RwLock<LoggingConfig> config;
  return config;
}

std::once_flag g_initialized;

void install_panic_hook() { set_panic_hook(&panic_hook); }

// Sets up logging from the environment when both variables are usable, else from `options`.
Expected<void, std::string> configure_logging(LoggingConfig& config, const AgentOptions& options) {
  auto env_level = platform::get_env(kLogLevelVariable);
  auto env_dir = platform::get_env(kLogDirVariable);
  std::optional<logging::LogLevel> level;
  if (env_level) level = logging::parse_log_level(*env_level);
  if (level && env_dir) {
    auto handle = logging::init_logger(true, *level, *env_dir);
    if (!handle) return std::move(handle).error();
    config = {std::move(*handle), true, true};
    SORVANE_INFO(kTarget,
                 "sorvane {} successfully initialized from environment variables. Log level: {}.",
                 kVersionText, logging::log_level_text(*level));
    return {};
  }
  auto handle = logging::init_logger(options.enable_logging, options.log_level, options.log_dir);
  if (!handle) return std::move(handle).error();
  config = {std::move(*handle), true, options.enable_logging};
  if (options.enable_logging) {
    SORVANE_INFO(kTarget, "sorvane {} successfully initialized from options. Log level: {}.",
                 kVersionText, logging::log_level_text(options.log_level));
  }
  return {};
}

}  // namespace

void panic_hook(const FatalError& error) {
  if (log::max_level() == log::Level::Off) return;
  std::string_view payload = error.static_payload() ? std::string_view(error.message()) : "n/a";
  SORVANE_ERROR(kTarget, "PANIC! payload \"{}\" in file \"{}\" at line {}", payload,
                platform::SourcePath{error.file() != nullptr ? error.file() : "<unnamed>"},
                error.line());
}

Expected<void, std::string> init(const AgentOptions& options) {
  evaluation::rules::CONFIG();
  {
    auto config = logging_config().write();
    if (config.poisoned()) {
      SORVANE_ERROR(kLoggingTarget, "cannot get mu access to logging configuration");
      return std::string("poisoned lock: another task failed inside");
    }
    SORVANE_TRACE(kLoggingTarget, "acquired mut access to logging configuration");
    if (!config->initialized) {
      auto configured = configure_logging(*config, options);
      if (!configured) return std::move(configured).error();
    }
  }
  std::call_once(g_initialized, install_panic_hook);
  SORVANE_TRACE(kTarget, "agent init was called successfully");
  return {};
}

}  // namespace sorvane::agent_config::agent_init
