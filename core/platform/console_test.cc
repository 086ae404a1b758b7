#include "core/platform/console.h"

#include <gtest/gtest.h>

#include <vector>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#endif

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

#ifdef _WIN32
TEST(VirtualTerminal, TheProcessConsoleGainsTheFlag) {
  HANDLE console = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, 0, nullptr);
  DWORD mode = 0;
  if (console == INVALID_HANDLE_VALUE || GetConsoleMode(console, &mode) == 0) {
    if (console != INVALID_HANDLE_VALUE) CloseHandle(console);
    GTEST_SKIP() << "no console attached to this process";
  }
  ASSERT_NE(SetConsoleMode(console, mode & ~DWORD{ENABLE_VIRTUAL_TERMINAL_PROCESSING}), 0);
  enable_console_virtual_terminal();
  ASSERT_NE(GetConsoleMode(console, &mode), 0);
  EXPECT_EQ(mode & kVirtualTerminalProcessing, kVirtualTerminalProcessing);
  enable_console_virtual_terminal();  // already set: left as it is
  DWORD again = 0;
  ASSERT_NE(GetConsoleMode(console, &again), 0);
  EXPECT_EQ(again, mode);
  CloseHandle(console);
}
#endif

}  // namespace
}  // namespace sorvane::platform
