# Read after CMake's Darwin platform rules: Zig links a loadable module as a shared library
# (Mach-O dylib, which Node.js loads like a bundle).
set(CMAKE_SHARED_MODULE_CREATE_C_FLAGS "-shared")
set(CMAKE_SHARED_MODULE_CREATE_CXX_FLAGS "-shared")
