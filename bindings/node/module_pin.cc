#include "bindings/node/module_pin.h"

#if defined(_WIN32)
extern "C" __declspec(dllimport) int __stdcall GetModuleHandleExW(unsigned long flags,
                                                                   const wchar_t* name,
                                                                   void** module);
#elif defined(__APPLE__)
#include <dlfcn.h>
#endif

namespace bindings::node {

void pin_module() {
#if defined(_WIN32)
  constexpr unsigned long kPin = 0x1;          // GET_MODULE_HANDLE_EX_FLAG_PIN
  constexpr unsigned long kFromAddress = 0x4;  // GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS
  void* module = nullptr;
  GetModuleHandleExW(kPin | kFromAddress, reinterpret_cast<const wchar_t*>(&pin_module),
                     &module);
#elif defined(__APPLE__)
  Dl_info info;
  if (dladdr(reinterpret_cast<const void*>(&pin_module), &info) != 0 && info.dli_fname) {
    // Another reference that is never closed, taken without loading anything.
    dlopen(info.dli_fname, RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE);
  }
#endif
}

}  // namespace bindings::node
