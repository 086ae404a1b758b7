#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#ifdef QUENLITH_USE_MIMALLOC
#include <mimalloc.h>

namespace {

TEST(MimallocOperators, EveryFormOfNewAllocatesFromMimalloc) {
  auto single = std::make_unique<long>(1);
  auto array = std::make_unique<char[]>(1000);
  struct alignas(64) Wide {
    char bytes[64];
  };
  auto aligned = std::make_unique<Wide>();
  std::unique_ptr<int> nothrow(new (std::nothrow) int(3));
  std::string text(200, 'x');
  std::vector<int> numbers(100);
  for (const void* p : {static_cast<const void*>(single.get()), static_cast<const void*>(array.get()),
                        static_cast<const void*>(aligned.get()), static_cast<const void*>(nothrow.get()),
                        static_cast<const void*>(text.data()), static_cast<const void*>(numbers.data())}) {
    EXPECT_TRUE(mi_is_in_heap_region(p));
  }
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(aligned.get()) % 64, 0u);
}

}  // namespace
#endif
