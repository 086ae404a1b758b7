#include "core/log/log.h"

#include <mutex>

namespace sorvane::log {
namespace detail {
std::atomic<std::uint8_t> g_max_level{0};
}

namespace {
std::atomic<Logger*> g_logger{nullptr};
std::atomic<Logger*> g_capture{nullptr};
std::mutex g_install_mutex;
}  // namespace

std::string_view level_text(Level level) {
  switch (level) {
    case Level::Off: return "OFF";
    case Level::Error: return "ERROR";
    case Level::Warn: return "WARN";
    case Level::Info: return "INFO";
    case Level::Debug: return "DEBUG";
    case Level::Trace: return "TRACE";
  }
  return "OFF";
}

void set_max_level(Level level) {
  detail::g_max_level.store(static_cast<std::uint8_t>(level), std::memory_order_relaxed);
}

bool set_logger(std::unique_ptr<Logger> logger) {
  std::lock_guard lock(g_install_mutex);
  if (g_logger.load(std::memory_order_acquire) != nullptr) return false;
  // The logger lives until the process ends.
  g_logger.store(logger.release(), std::memory_order_release);
  return true;
}

void emit(Level level, std::string_view target, const char* file, std::uint32_t line,
          std::string_view message) {
  Record record{level, target, message, file, line};
  if (Logger* capture = g_capture.load(std::memory_order_acquire)) {
    capture->log(record);
    return;
  }
  if (Logger* logger = g_logger.load(std::memory_order_acquire)) logger->log(record);
}

void set_capture_for_testing(Logger* logger) {
  g_capture.store(logger, std::memory_order_release);
}

}  // namespace sorvane::log
