// Test helper: captures every log record at every level while in scope.
#pragma once

#include <string>
#include <vector>

#include "core/log/log.h"

namespace sorvane::evaluation::input_analysis::testing {

struct CapturedRecord {
  log::Level level;
  std::string target;
  std::string message;
  bool operator==(const CapturedRecord&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const CapturedRecord& r) {
  return os << log::level_text(r.level) << " " << r.target << " " << r.message;
}

class LogCapture final : public log::Logger {
 public:
  LogCapture() : previous_(log::max_level()) {
    log::set_max_level(log::Level::Trace);
    log::set_capture_for_testing(this);
  }
  ~LogCapture() override {
    log::set_capture_for_testing(nullptr);
    log::set_max_level(previous_);
  }
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  void log(const log::Record& r) override {
    records.push_back({r.level, std::string(r.target), std::string(r.message)});
  }

  std::vector<CapturedRecord> records;

 private:
  log::Level previous_;
};

}  // namespace sorvane::evaluation::input_analysis::testing
