// A reader-writer lock around a value that becomes poisoned when an exception (a panic)
// leaves a scope that holds it for writing; it stays poisoned for the rest of the process.
#pragma once

#include <atomic>
#include <exception>
#include <mutex>
#include <utility>

namespace sorvane::sync {

template <class T>
class RwLock {
 public:
  template <class... Args>
  explicit RwLock(Args&&... args) : value_(std::forward<Args>(args)...) {}
  RwLock(const RwLock&) = delete;
  RwLock& operator=(const RwLock&) = delete;

  // Exclusive access for the guard's lifetime. `poisoned()` tells whether the lock was
  // poisoned when it was taken; the value is reachable either way.
  class WriteGuard {
   public:
    explicit WriteGuard(RwLock& lock)
        : lock_(&lock), exceptions_(std::uncaught_exceptions()) {
      lock_->mutex_.lock();
      poisoned_ = lock_->poisoned_.load(std::memory_order_relaxed);
    }
    WriteGuard(const WriteGuard&) = delete;
    WriteGuard& operator=(const WriteGuard&) = delete;
    ~WriteGuard() {
      if (std::uncaught_exceptions() > exceptions_) {
        lock_->poisoned_.store(true, std::memory_order_relaxed);
      }
      lock_->mutex_.unlock();
    }

    bool poisoned() const { return poisoned_; }
    T& operator*() const { return lock_->value_; }
    T* operator->() const { return &lock_->value_; }

   private:
    RwLock* lock_;
    int exceptions_;
    bool poisoned_ = false;
  };

  // Waits for exclusive access.
  WriteGuard write() { return WriteGuard(*this); }

  bool is_poisoned() const { return poisoned_.load(std::memory_order_relaxed); }

 private:
  // Only ever taken for writing. A plain mutex: the Windows toolchain's shared mutex lets
  // writers in together when they first take a fresh lock at the same time.
  std::mutex mutex_;
  std::atomic<bool> poisoned_{false};
  T value_;
};

}  // namespace sorvane::sync
