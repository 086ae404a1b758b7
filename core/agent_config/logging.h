// The file logger behind the logging facade: levels, the log file and its line format.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include <fmt/format.h>

#include "core/expected.h"
#include "core/log/log.h"

namespace spdlog {
class logger;
}

namespace sorvane::agent_config::logging {

enum class LogLevel : std::uint8_t { Error = 1, Warn = 2, Info = 3, Debug = 4, Trace = 5 };

// "ERROR", "WARN", "INFO", "DEBUG", "TRACE".
std::string_view log_level_text(LogLevel level);

// "error", "warn", "info", "debug" or "trace" in any ASCII letter case; nothing else.
std::optional<LogLevel> parse_log_level(std::string_view text);

// The facade's filter level of `level`.
log::Level filter_level(LogLevel level);

// The logging component's own level-filter variable. When it holds a valid filter,
// that replaces the level chosen by the options or the environment.
inline constexpr std::string_view kLogFilterVariable = "SPDLOG_LEVEL";

// A valid filter: the empty text (nothing is logged) or one of "off", "error",
// "warn", "info", "debug", "trace" in any ASCII letter case.
std::optional<log::Level> parse_log_filter(std::string_view spec);

// "libquenlith_<%Y_%m_%d_%H%M%S in UTC>_<pid>.log".
std::string log_file_name(std::chrono::system_clock::time_point setup_time, std::uint64_t pid);

// Appends one log line for `record`: "<UTC %Y-%m-%d %H:%M:%S.mmm> <LEVEL> [<file>:<line>]
// <message>\n", with "<unnamed>" and 0 for a record without a source location. Control
// characters of the message (U+0000 to U+001F, U+007F) are written as "\n", "\r", "\t" or
// "\x" and two lowercase hex digits, so that one record is always one line.
void log_format(fmt::appender out, const log::Record& record,
                std::chrono::system_clock::time_point now);
void log_format(fmt::appender out, const log::Record& record);

// A facade logger that writes to `file`, created at the first record (owner read and write
// only; never a file or link that already has the name), one direct write per record (no
// buffering, no background thread).
std::unique_ptr<log::Logger> make_file_logger(std::filesystem::path file);

// The installed logger; held for the life of the process.
class LoggerHandle {
 public:
  explicit LoggerHandle(std::shared_ptr<spdlog::logger> logger) : logger_(std::move(logger)) {}

 private:
  std::shared_ptr<spdlog::logger> logger_;
};

// Sets up the one file logger of the process in `log_dir` (which must be an existing
// directory, even when `enabled` is false) and installs it behind the facade. When records
// can be written, fails if something already has the log file's name there.
Expected<LoggerHandle, std::string> init_logger(bool enabled, LogLevel level,
                                                std::string_view log_dir);

}  // namespace sorvane::agent_config::logging
