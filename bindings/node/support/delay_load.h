// The Windows build binds its Node-API imports lazily to a library named "node.exe"; the
// delay-load notification hook answers that request, and one for "electron.exe", with the
// host executable, whatever its file name.
#pragma once

namespace bindings::node::support {

// The notification sent before a delay-loaded library is loaded.
inline constexpr unsigned kNotePreLoadLibrary = 1;

// Whether the hook answers with the host executable: notification kNotePreLoadLibrary for a
// library named exactly "node.exe" or "electron.exe" (byte for byte, with case).
bool serves_from_host(unsigned notification, const char* library_name);

}  // namespace bindings::node::support
