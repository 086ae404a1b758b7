// The few Win32 functions that more than one platform file calls, declared here instead of
// through the system headers. Included only by the Windows branches.
#pragma once

#ifdef _WIN32
extern "C" {
__declspec(dllimport) void* __stdcall CreateFileW(const wchar_t* name, unsigned long access,
                                                  unsigned long share, void* security,
                                                  unsigned long disposition, unsigned long flags,
                                                  void* template_file);
}
#endif
