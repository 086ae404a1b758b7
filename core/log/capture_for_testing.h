// Test support: collects log records while in scope.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "core/log/log.h"

namespace sorvane::log {

struct CapturedRecord {
  Level level;
  std::string target;
  std::string message;
  bool operator==(const CapturedRecord&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const CapturedRecord& r) {
  return os << level_text(r.level) << " " << r.target << ": " << r.message;
}

// Routes every record to itself and sets the maximum level while it lives; restores the
// previous level and normal routing when it goes.
class ScopedLogCapture final : public Logger {
 public:
  explicit ScopedLogCapture(Level max = Level::Trace) : saved_level_(max_level()) {
    set_max_level(max);
    set_capture_for_testing(this);
  }
  ~ScopedLogCapture() override {
    set_capture_for_testing(nullptr);
    set_max_level(saved_level_);
  }
  ScopedLogCapture(const ScopedLogCapture&) = delete;
  ScopedLogCapture& operator=(const ScopedLogCapture&) = delete;

  void log(const Record& record) override {
    records_.push_back({record.level, std::string(record.target), std::string(record.message)});
  }
  const std::vector<CapturedRecord>& records() const { return records_; }
  void clear() { records_.clear(); }

 private:
  Level saved_level_;
  std::vector<CapturedRecord> records_;
};

}  // namespace sorvane::log
