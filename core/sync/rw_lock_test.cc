#include "core/sync/rw_lock.h"

#include <gtest/gtest.h>

#include <atomic>

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

TEST(RwLock, NoTwoWritersAreInsideAtOnce) {
  // A fresh lock whose first takers all come at once, as racing first constructions do; each
  // writer stays a while inside, giving the others every chance to come in too.
  int overlaps = 0;
  for (int round = 0; round < 20; ++round) {
    RwLock<int> lock(0);
    std::atomic<bool> go{false};
    std::atomic<int> inside{0};
    std::atomic<int> round_overlaps{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
      threads.emplace_back([&] {
        while (!go.load()) std::this_thread::yield();
        auto guard = lock.write();
        if (inside.fetch_add(1) != 0) ++round_overlaps;
        for (int k = 0; k < 50; ++k) std::this_thread::yield();
        inside.fetch_sub(1);
      });
    }
    go.store(true);
    for (auto& thread : threads) thread.join();
    overlaps += round_overlaps.load();
  }
  EXPECT_EQ(overlaps, 0);
}

}  // namespace
}  // namespace sorvane::sync
