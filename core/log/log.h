// The logging facade: levels, one process-wide logger, and the macros every module logs with.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string_view>

#include <fmt/format.h>

namespace sorvane::log {

enum class Level : std::uint8_t { Off = 0, Error = 1, Warn = 2, Info = 3, Debug = 4, Trace = 5 };

// "OFF", "ERROR", "WARN", "INFO", "DEBUG", "TRACE".
std::string_view level_text(Level level);

struct Record {
  Level level;
  std::string_view target;   // module path, e.g. "sorvane::evaluation::rules::sql_injection"
  std::string_view message;
  const char* file;          // nullptr when the record carries none
  std::uint32_t line;        // 0 when the record carries none
};

class Logger {
 public:
  virtual ~Logger() = default;
  virtual void log(const Record& record) = 0;
};

namespace detail {
extern std::atomic<std::uint8_t> g_max_level;
}

inline Level max_level() {
  return static_cast<Level>(detail::g_max_level.load(std::memory_order_relaxed));
}
void set_max_level(Level level);

inline bool enabled(Level level) {
  return level != Level::Off &&
         static_cast<std::uint8_t>(level) <= detail::g_max_level.load(std::memory_order_relaxed);
}

// Installs the one logger of the process; false when one is installed already.
bool set_logger(std::unique_ptr<Logger> logger);

// Sends a record to the installed logger (if any). Callers test `enabled` first.
void emit(Level level, std::string_view target, const char* file, std::uint32_t line,
          std::string_view message);

// Tests only: routes records to `logger` (not owned) regardless of the installed one;
// nullptr restores normal routing.
void set_capture_for_testing(Logger* logger);

}  // namespace sorvane::log

#define SORVANE_LOG(level, target, ...)                                                  \
  do {                                                                                  \
    if (::sorvane::log::enabled(level)) {                                               \
      ::sorvane::log::emit(level, target, __FILE__, __LINE__, ::fmt::format(__VA_ARGS__)); \
    }                                                                                   \
  } while (0)

#define SORVANE_ERROR(target, ...) SORVANE_LOG(::sorvane::log::Level::Error, target, __VA_ARGS__)
#define SORVANE_WARN(target, ...) SORVANE_LOG(::sorvane::log::Level::Warn, target, __VA_ARGS__)
#define SORVANE_INFO(target, ...) SORVANE_LOG(::sorvane::log::Level::Info, target, __VA_ARGS__)
#define SORVANE_DEBUG(target, ...) SORVANE_LOG(::sorvane::log::Level::Debug, target, __VA_ARGS__)
#define SORVANE_TRACE(target, ...) SORVANE_LOG(::sorvane::log::Level::Trace, target, __VA_ARGS__)
