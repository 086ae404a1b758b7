// Keeps the module loaded for the life of the process. The registry and the logging state
// are process-wide and set up once; a worker thread that exits must not unload them with the
// module, or the next load would start afresh (a second logger, a second registry).
#pragma once

namespace bindings::node {

// ELF builds are pinned at link time (-z nodelete); macOS and Windows pin themselves here.
void pin_module();

}  // namespace bindings::node
