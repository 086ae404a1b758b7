#include "core/fatal_error.h"

#include <atomic>

namespace sorvane {
namespace {
std::atomic<PanicHook> g_hook{nullptr};

[[noreturn]] void raise(FatalError error) {
  if (PanicHook hook = g_hook.load(std::memory_order_acquire)) hook(error);
  throw error;
}
}  // namespace

void set_panic_hook(PanicHook hook) { g_hook.store(hook, std::memory_order_release); }

void panic(const char* static_message, SourceLocation loc) {
  raise(FatalError(static_message, true, loc.file_name(), loc.line()));
}

void panic_formatted(std::string message, SourceLocation loc) {
  raise(FatalError(std::move(message), false, loc.file_name(), loc.line()));
}

}  // namespace sorvane
