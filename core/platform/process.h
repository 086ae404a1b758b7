// The current process.
#pragma once

#include <cstdint>

namespace sorvane::platform {

std::uint64_t process_id();

}  // namespace sorvane::platform
