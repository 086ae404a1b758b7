# Zig's C and C++ compilers (clang with Zig's own C libraries and libc++, linked statically)
# for the target named by QUENLITH_ZIG_TARGET, set by the including toolchain file. The zig
# executable comes from the cache variable or the environment variable QUENLITH_ZIG.
if(NOT QUENLITH_ZIG)
  set(QUENLITH_ZIG "$ENV{QUENLITH_ZIG}")
endif()
if(NOT EXISTS "${QUENLITH_ZIG}")
  message(FATAL_ERROR "QUENLITH_ZIG must name the zig executable")
endif()
# try_compile projects read this file again: the environment carries the values to them.
set(ENV{QUENLITH_ZIG} "${QUENLITH_ZIG}")
if(NOT DEFINED ENV{QUENLITH_ZIG_WRAPPERS})
  set(ENV{QUENLITH_ZIG_WRAPPERS} "${CMAKE_BINARY_DIR}/zig/${QUENLITH_ZIG_TARGET}")
endif()
set(_zig_wrappers "$ENV{QUENLITH_ZIG_WRAPPERS}")

# CMake takes one executable per tool, so each zig subcommand gets a small wrapper.
foreach(_tool cc c++ ar ranlib)
  if(_tool MATCHES "^c")
    set(_args "${_tool} -target ${QUENLITH_ZIG_TARGET}")
  else()
    set(_args "${_tool}")
  endif()
  file(CONFIGURE OUTPUT "${_zig_wrappers}/${_tool}"
    CONTENT "#!/bin/sh\nexec \"${QUENLITH_ZIG}\" ${_args} \"$@\"\n")
  file(CHMOD "${_zig_wrappers}/${_tool}" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
    GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
endforeach()

set(CMAKE_C_COMPILER "${_zig_wrappers}/cc")
set(CMAKE_CXX_COMPILER "${_zig_wrappers}/c++")
set(CMAKE_AR "${_zig_wrappers}/ar" CACHE FILEPATH "" FORCE)
set(CMAKE_RANLIB "${_zig_wrappers}/ranlib" CACHE FILEPATH "" FORCE)
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES QUENLITH_ZIG QUENLITH_ZIG_TARGET)

# Nothing of the host's libraries or headers is searched.
set(CMAKE_FIND_ROOT_PATH "${_zig_wrappers}")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
