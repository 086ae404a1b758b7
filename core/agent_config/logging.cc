#include "core/agent_config/logging.h"

#include <algorithm>
#include <array>
#include <ctime>
#include <mutex>
#include <system_error>

#include <fmt/chrono.h>
#include <spdlog/formatter.h>
#include <spdlog/logger.h>
#include <spdlog/sinks/base_sink.h>

#include "core/platform/console.h"
#include "core/platform/env.h"
#include "core/platform/file.h"
#include "core/platform/process.h"
#include "core/platform/source_path.h"

namespace sorvane::agent_config::logging {
namespace {

constexpr std::array<std::string_view, 5> kLevelNames = {"error", "warn", "info", "debug",
                                                         "trace"};

bool equals_ignoring_ascii_case(std::string_view text, std::string_view lower) {
  if (text.size() != lower.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != lower[i]) return false;
  }
  return true;
}

std::tm utc_tm(std::chrono::system_clock::time_point time) {
  return fmt::gmtime(std::chrono::system_clock::to_time_t(time));
}

spdlog::level::level_enum to_spdlog(log::Level level) {
  switch (level) {
    case log::Level::Error: return spdlog::level::err;
    case log::Level::Warn: return spdlog::level::warn;
    case log::Level::Info: return spdlog::level::info;
    case log::Level::Debug: return spdlog::level::debug;
    case log::Level::Trace: return spdlog::level::trace;
    case log::Level::Off: break;
  }
  return spdlog::level::off;
}

log::Level from_spdlog(spdlog::level::level_enum level) {
  switch (level) {
    case spdlog::level::err:
    case spdlog::level::critical: return log::Level::Error;
    case spdlog::level::warn: return log::Level::Warn;
    case spdlog::level::info: return log::Level::Info;
    case spdlog::level::debug: return log::Level::Debug;
    case spdlog::level::trace: return log::Level::Trace;
    default: return log::Level::Off;
  }
}

// Writes `text` with every control character (U+0000 to U+001F, U+007F) escaped: a newline in
// a quoted input must not start a forged line, nor an escape sequence reach a terminal.
void write_escaped(fmt::appender& out, std::string_view text) {
  std::size_t plain = 0;  // start of the bytes not yet written
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c >= 0x20 && c != 0x7F) continue;
    out = std::copy(text.begin() + plain, text.begin() + i, out);
    switch (c) {
      case '\n': out = fmt::format_to(out, "\\n"); break;
      case '\r': out = fmt::format_to(out, "\\r"); break;
      case '\t': out = fmt::format_to(out, "\\t"); break;
      default: out = fmt::format_to(out, "\\x{:02x}", c); break;
    }
    plain = i + 1;
  }
  out = std::copy(text.begin() + plain, text.end(), out);
}

// Formats every line with log_format.
class LineFormatter final : public spdlog::formatter {
 public:
  void format(const spdlog::details::log_msg& msg, spdlog::memory_buf_t& dest) override {
    log::Record record{from_spdlog(msg.level), {},
                       std::string_view(msg.payload.data(), msg.payload.size()),
                       msg.source.filename, static_cast<std::uint32_t>(msg.source.line)};
    log_format(fmt::appender(dest), record);
  }
  std::unique_ptr<spdlog::formatter> clone() const override {
    return std::make_unique<LineFormatter>();
  }
};

// Writes each record straight to the file, which it creates at the first record. A file that
// cannot be created or written loses its records; the analysis never sees the failure. The
// file is always one this sink created: once something else has taken its name, no record is
// written there and creation is not tried again.
class LazyFileSink final : public spdlog::sinks::base_sink<std::mutex> {
 public:
  explicit LazyFileSink(std::filesystem::path path) : path_(std::move(path)) {
    set_formatter_(std::make_unique<LineFormatter>());
  }

 protected:
  void sink_it_(const spdlog::details::log_msg& msg) override {
    if (!file_.is_open() && !open()) return;
    spdlog::memory_buf_t line;
    formatter_->format(msg, line);
    file_.write(std::string_view(line.data(), line.size()));
  }
  void flush_() override {}
  void set_pattern_(const std::string&) override {}
  void set_formatter_(std::unique_ptr<spdlog::formatter> formatter) override {
    formatter_ = std::move(formatter);
  }

 private:
  bool open() {
    if (name_taken_) return false;
    auto created = platform::NewFile::create(path_);
    if (!created) {
      name_taken_ = platform::name_taken(created.error());
      return false;
    }
    file_ = std::move(created).value();
    return true;
  }

  std::filesystem::path path_;
  platform::NewFile file_;
  bool name_taken_ = false;
};

// The facade's logger: hands records with their source location to the spdlog logger.
class FacadeLogger final : public log::Logger {
 public:
  explicit FacadeLogger(std::shared_ptr<spdlog::logger> logger) : logger_(std::move(logger)) {}
  void log(const log::Record& record) override {
    spdlog::source_loc location{record.file, static_cast<int>(record.line), nullptr};
    logger_->log(location, to_spdlog(record.level),
                 spdlog::string_view_t(record.message.data(), record.message.size()));
  }

 private:
  std::shared_ptr<spdlog::logger> logger_;
};

std::shared_ptr<spdlog::logger> make_spdlog_file_logger(std::filesystem::path file) {
  auto logger = std::make_shared<spdlog::logger>(
      "quenlith", std::make_shared<LazyFileSink>(std::move(file)));
  // The facade filters; everything that reaches the logger is written.
  logger->set_level(spdlog::level::trace);
  return logger;
}

std::filesystem::path utf8_path(std::string_view text) {
  return std::filesystem::path(
      std::u8string(reinterpret_cast<const char8_t*>(text.data()), text.size()));
}

}  // namespace

std::string_view log_level_text(LogLevel level) {
  return log::level_text(filter_level(level));
}

std::optional<LogLevel> parse_log_level(std::string_view text) {
  for (std::size_t i = 0; i < kLevelNames.size(); ++i) {
    if (equals_ignoring_ascii_case(text, kLevelNames[i])) return static_cast<LogLevel>(i + 1);
  }
  return std::nullopt;
}

log::Level filter_level(LogLevel level) { return static_cast<log::Level>(level); }

std::optional<log::Level> parse_log_filter(std::string_view spec) {
  if (spec.empty() || equals_ignoring_ascii_case(spec, "off")) return log::Level::Off;
  if (auto level = parse_log_level(spec)) return filter_level(*level);
  return std::nullopt;
}

std::string log_file_name(std::chrono::system_clock::time_point setup_time, std::uint64_t pid) {
  return fmt::format("libquenlith_{:%Y_%m_%d_%H%M%S}_{}.log", utc_tm(setup_time), pid);
}

void log_format(fmt::appender out, const log::Record& record,
                std::chrono::system_clock::time_point now) {
  auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch());
  auto time = fmt::format("{:%Y-%m-%d %H:%M:%S}.{:03}", utc_tm(now), millis.count() % 1000);
  platform::SourcePath file{record.file != nullptr ? record.file : "<unnamed>"};
  out = fmt::format_to(out, "{} {} [{}:{}] ", time, log::level_text(record.level), file,
                       record.line);
  write_escaped(out, record.message);
  *out++ = '\n';
}

void log_format(fmt::appender out, const log::Record& record) {
  log_format(out, record, std::chrono::system_clock::now());
}

std::unique_ptr<log::Logger> make_file_logger(std::filesystem::path file) {
  return std::make_unique<FacadeLogger>(make_spdlog_file_logger(std::move(file)));
}

Expected<LoggerHandle, std::string> init_logger(bool enabled, LogLevel level,
                                                std::string_view log_dir) {
  std::filesystem::path dir = utf8_path(log_dir);
  std::error_code error;
  if (!std::filesystem::is_directory(dir, error)) {
    return std::string("Log file cannot be written because the specified path is not a directory");
  }
  log::Level max_level = enabled ? filter_level(level) : log::Level::Off;
  auto file_name = log_file_name(std::chrono::system_clock::now(), platform::process_id());
  if (auto spec = platform::get_env(kLogFilterVariable)) {
    if (auto spec_level = parse_log_filter(*spec)) max_level = *spec_level;
  }
  platform::enable_console_virtual_terminal();

  // The file is created later, at the first record: fix its place now, so that a change of
  // working directory in between does not move it.
  std::filesystem::path absolute_dir = std::filesystem::absolute(dir, error);
  std::filesystem::path file = (error ? dir : absolute_dir) / file_name;
  // The name is predictable: whatever holds it already (a planted file or link) is refused
  // now, and the creation at the first record refuses it again. With nothing to be written,
  // no file is ever created and the name does not matter.
  std::error_code status_error;
  if (max_level != log::Level::Off &&
      std::filesystem::exists(std::filesystem::symlink_status(file, status_error))) {
    return fmt::format("Log file cannot be created because {} already exists in the log directory",
                       file_name);
  }
  auto logger = make_spdlog_file_logger(std::move(file));
  if (!log::set_logger(std::make_unique<FacadeLogger>(logger))) {
    return std::string("Logger initialization failed");
  }
  log::set_max_level(max_level);
  return LoggerHandle(std::move(logger));
}

}  // namespace sorvane::agent_config::logging
