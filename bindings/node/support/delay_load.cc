#include "bindings/node/support/delay_load.h"

#include <cstring>
#include <string_view>

namespace bindings::node::support {

bool serves_from_host(unsigned notification, const char* library_name) {
  if (notification != kNotePreLoadLibrary || library_name == nullptr) return false;
  std::string_view name(library_name);
  return name == "node.exe" || name == "electron.exe";
}

}  // namespace bindings::node::support
