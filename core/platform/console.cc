#include "core/platform/console.h"

#ifdef _WIN32
#include "core/platform/win32.h"

extern "C" {
__declspec(dllimport) int __stdcall GetConsoleMode(void* handle, unsigned long* mode);
__declspec(dllimport) int __stdcall SetConsoleMode(void* handle, unsigned long mode);
}
#endif

namespace sorvane::platform {

void enable_virtual_terminal(ConsoleDevice& console) {
  if (!console.open()) return;
  std::optional<std::uint32_t> mode = console.get_mode();
  if (!mode || (*mode & kVirtualTerminalProcessing) != 0) return;
  console.set_mode(*mode | kVirtualTerminalProcessing);
}

#ifdef _WIN32
namespace {

class WindowsConsoleOutput final : public ConsoleDevice {
 public:
  bool open() override {
    constexpr unsigned long kGenericRead = 0x80000000UL;
    constexpr unsigned long kGenericWrite = 0x40000000UL;
    constexpr unsigned long kFileShareWrite = 0x2;
    constexpr unsigned long kOpenExisting = 3;
    handle_ = CreateFileW(L"CONOUT$", kGenericRead | kGenericWrite, kFileShareWrite, nullptr,
                          kOpenExisting, 0, nullptr);
    return handle_ != nullptr && handle_ != reinterpret_cast<void*>(-1);
  }
  std::optional<std::uint32_t> get_mode() override {
    unsigned long mode = 0;
    if (GetConsoleMode(handle_, &mode) == 0) return std::nullopt;
    return static_cast<std::uint32_t>(mode);
  }
  bool set_mode(std::uint32_t mode) override { return SetConsoleMode(handle_, mode) != 0; }

 private:
  void* handle_ = nullptr;  // never closed
};

}  // namespace

void enable_console_virtual_terminal() {
  WindowsConsoleOutput console;
  enable_virtual_terminal(console);
}
#else
void enable_console_virtual_terminal() {}
#endif

}  // namespace sorvane::platform
