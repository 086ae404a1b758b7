// Virtual-terminal processing of an attached console (Windows): set up with the logger so
// that escape sequences written to the console are interpreted.
#pragma once

#include <cstdint>
#include <optional>

namespace sorvane::platform {

inline constexpr std::uint32_t kVirtualTerminalProcessing = 4;

// The console output device, reduced to the three steps the set-up needs.
class ConsoleDevice {
 public:
  virtual ~ConsoleDevice() = default;
  // Opens the device for reading and writing; false when no console is attached.
  virtual bool open() = 0;
  virtual std::optional<std::uint32_t> get_mode() = 0;
  virtual bool set_mode(std::uint32_t mode) = 0;
};

// Adds virtual-terminal processing to the console's mode when it lacks it. Every failure is
// ignored: logging works without it.
void enable_virtual_terminal(ConsoleDevice& console);

// Runs enable_virtual_terminal on the process's console output in the Windows build ("CONOUT$",
// opened with write sharing and never closed); does nothing elsewhere.
void enable_console_virtual_terminal();

}  // namespace sorvane::platform
