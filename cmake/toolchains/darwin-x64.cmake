# macOS x86-64 through Zig (clang with Zig's macOS headers and libc++, linked statically).
# Built here, never run here.
set(CMAKE_SYSTEM_NAME Darwin)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(QUENLITH_ZIG_TARGET x86_64-macos)
include(${CMAKE_CURRENT_LIST_DIR}/zig.cmake)
# No Apple SDK or developer tools here: Zig brings the headers and libraries.
set(CMAKE_OSX_SYSROOT "" CACHE PATH "" FORCE)
set(CMAKE_OSX_ARCHITECTURES "" CACHE STRING "" FORCE)

# Zig's macOS headers leave out two that mimalloc includes: CommonCrypto, whose random-bytes
# call (in libSystem) seeds it, and sys/syscall.h, from which it only tests for a Linux-only
# call (mbind). What it needs of them is written here.
set(_common_crypto "${CMAKE_BINARY_DIR}/darwin-headers/CommonCrypto")
file(WRITE "${_common_crypto}/CommonCryptoError.h"
  "#pragma once\n#include <stdint.h>\ntypedef int32_t CCStatus;\ntypedef int32_t CCCryptorStatus;\nenum { kCCSuccess = 0 };\n")
file(WRITE "${_common_crypto}/CommonRandom.h"
  "#pragma once\n#include <stddef.h>\n#include <CommonCrypto/CommonCryptoError.h>\ntypedef CCCryptorStatus CCRNGStatus;\nCCRNGStatus CCRandomGenerateBytes(void* bytes, size_t count);\n")
file(WRITE "${CMAKE_BINARY_DIR}/darwin-headers/sys/syscall.h" "#pragma once\n")
set(CMAKE_C_FLAGS_INIT "-isystem ${CMAKE_BINARY_DIR}/darwin-headers")
set(CMAKE_USER_MAKE_RULES_OVERRIDE ${CMAKE_CURRENT_LIST_DIR}/darwin-x64-rules.cmake)
