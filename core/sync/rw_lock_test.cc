#include "core/sync/rw_lock.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>
#include <vector>

namespace sorvane::sync {
namespace {

TEST(RwLock, ExceptionWhileWritingPoisonsForGood) {
  RwLock<int> lock(1);
  {
    auto guard = lock.write();
    EXPECT_FALSE(guard.poisoned());
    *guard = 2;
  }
  EXPECT_FALSE(lock.is_poisoned());

  EXPECT_THROW(
      {
        auto guard = lock.write();
        *guard = 3;
        throw std::runtime_error("failed inside");
      },
      std::runtime_error);
  EXPECT_TRUE(lock.is_poisoned());
  for (int i = 0; i < 2; ++i) {
    auto guard = lock.write();
    EXPECT_TRUE(guard.poisoned());
    EXPECT_EQ(*guard, 3);  // the value stays reachable
  }
}

TEST(RwLock, GuardTakenWhileAnotherExceptionUnwindsDoesNotPoison) {
  RwLock<int> lock(0);
  struct TakesLockInDestructor {
    RwLock<int>& lock;
    ~TakesLockInDestructor() { *lock.write() += 1; }
  };
  try {
    TakesLockInDestructor taker{lock};
    throw std::runtime_error("elsewhere");
  } catch (const std::runtime_error&) {
  }
  EXPECT_FALSE(lock.is_poisoned());
  EXPECT_EQ(*lock.write(), 1);
}

TEST(RwLock, WritersTakeTurns) {
  RwLock<long> lock(0);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 10000; ++i) *lock.write() += 1;
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(*lock.write(), 40000);
}

}  // namespace
}  // namespace sorvane::sync
