#include "core/platform/console.h"

#include <gtest/gtest.h>

#include <vector>

namespace sorvane::platform {
namespace {

class FakeConsole : public ConsoleDevice {
 public:
  FakeConsole(bool opens, std::optional<std::uint32_t> mode) : opens_(opens), mode_(mode) {}
  bool open() override {
    calls.push_back("open");
    return opens_;
  }
  std::optional<std::uint32_t> get_mode() override {
    calls.push_back("get_mode");
    return mode_;
  }
  bool set_mode(std::uint32_t mode) override {
    calls.push_back("set_mode");
    set_to = mode;
    return false;  // a failing set is ignored like every other failure
  }
  std::vector<std::string> calls;
  std::optional<std::uint32_t> set_to;

 private:
  bool opens_;
  std::optional<std::uint32_t> mode_;
};

TEST(VirtualTerminal, AddsTheFlagOnlyWhenAConsoleLacksIt) {
  struct Case {
    bool opens;
    std::optional<std::uint32_t> mode;
    std::optional<std::uint32_t> set_to;
    std::size_t calls;
  };
  const Case cases[] = {
      {false, 0x3, std::nullopt, 1},  // no console attached
      {true, std::nullopt, std::nullopt, 2},  // mode cannot be read
      {true, 0x3, 0x7, 3},
      {true, 0x0, 0x4, 3},
      {true, 0x7, std::nullopt, 2},  // already set
      {true, 0xFFFF, std::nullopt, 2},
  };
  for (const Case& c : cases) {
    FakeConsole console(c.opens, c.mode);
    enable_virtual_terminal(console);
    EXPECT_EQ(console.set_to, c.set_to);
    EXPECT_EQ(console.calls.size(), c.calls);
  }
}

}  // namespace
}  // namespace sorvane::platform
