# Linux x86-64 with the musl C library, through Zig; executables are static and run here.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(QUENLITH_ZIG_TARGET x86_64-linux-musl)
include(${CMAKE_CURRENT_LIST_DIR}/zig.cmake)
# spdlog calls the 64-bit file functions (fstat64) on 64-bit Linux, which musl declares as
# aliases of the plain ones only on request.
set(CMAKE_C_FLAGS_INIT "-D_LARGEFILE64_SOURCE")
set(CMAKE_CXX_FLAGS_INIT "-D_LARGEFILE64_SOURCE")
