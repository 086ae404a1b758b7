// The exported delay-load notification hook of the Windows build; the decision itself is
// support::serves_from_host.
#include "bindings/node/support/delay_load.h"

#ifdef _WIN32
namespace bindings::node::windows {

// The delay-load information record, as the platform's delay-load helper passes it.
struct DelayLoadProc {
  int import_by_name;
  union {
    const char* name;
    unsigned long ordinal;
  };
};

struct DelayLoadInfo {
  unsigned long size;
  const void* descriptor;
  void** import_address;
  const char* library_name;
  DelayLoadProc proc;
  void* module;
  void* function;
  unsigned long last_error;
};

using DelayLoadHook = void*(__stdcall*)(unsigned notification, DelayLoadInfo* info);

}  // namespace bindings::node::windows

extern "C" __declspec(dllimport) void* __stdcall GetModuleHandleA(const char* name);

static void* __stdcall delay_load_hook(unsigned notification,
                                      bindings::node::windows::DelayLoadInfo* info) {
  if (info != nullptr &&
      bindings::node::support::serves_from_host(notification, info->library_name)) {
    return GetModuleHandleA(nullptr);
  }
  return nullptr;
}

extern "C" __declspec(dllexport) const bindings::node::windows::DelayLoadHook
    __pfnDliNotifyHook2 = delay_load_hook;
#endif
