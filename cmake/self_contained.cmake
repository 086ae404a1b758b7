# The self-contained build: RE2 (and mimalloc, where used) compiled from their sources in this
# build tree with the target's toolchain, position-independent and linked statically; fmt
# and spdlog compiled in header-only; GoogleTest built from its sources for the target.
# Defines quenlith_re2, quenlith_fmt, quenlith_spdlog, and mimalloc when it is used.

set(QUENLITH_RE2_SOURCE_DIR "" CACHE PATH "RE2 source tree (with its generated tables)")
set(QUENLITH_MIMALLOC_SOURCE_DIR "" CACHE PATH "mimalloc source tree")
set(QUENLITH_FMT_INCLUDE_DIR /usr/include CACHE PATH "Folder holding fmt/ (headers only)")
set(QUENLITH_SPDLOG_INCLUDE_DIR /usr/include CACHE PATH "Folder holding spdlog/ (headers only)")
set(QUENLITH_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest source tree")

if(NOT EXISTS ${QUENLITH_RE2_SOURCE_DIR}/re2/re2.cc
   OR NOT EXISTS ${QUENLITH_RE2_SOURCE_DIR}/re2/unicode_groups.cc)
  message(FATAL_ERROR "QUENLITH_RE2_SOURCE_DIR must name an RE2 source tree with its tables")
endif()
set(_re2_sources bitstate compile dfa filtered_re2 mimics_pcre nfa onepass parse perl_groups
  prefilter prefilter_tree prog re2 regexp set simplify stringpiece tostring unicode_casefold
  unicode_groups)
list(TRANSFORM _re2_sources PREPEND ${QUENLITH_RE2_SOURCE_DIR}/re2/)
list(TRANSFORM _re2_sources APPEND .cc)
add_library(quenlith_re2 STATIC ${_re2_sources}
  ${QUENLITH_RE2_SOURCE_DIR}/util/rune.cc ${QUENLITH_RE2_SOURCE_DIR}/util/strutil.cc)
target_include_directories(quenlith_re2 SYSTEM PUBLIC ${QUENLITH_RE2_SOURCE_DIR})
# Foreign code: its warnings are not ours to fix.
target_compile_options(quenlith_re2 PRIVATE $<IF:$<CXX_COMPILER_ID:MSVC>,/w,-w>)
if(WIN32)
  target_compile_definitions(quenlith_re2 PRIVATE UNICODE _UNICODE STRICT NOMINMAX)
endif()
target_link_libraries(quenlith_re2 PUBLIC Threads::Threads)

# Only fmt/ and spdlog/ of their folders are put on the include path: a cross compiler must
# never see the host's other headers.
set(_headers ${CMAKE_BINARY_DIR}/header_only)
file(MAKE_DIRECTORY ${_headers})
foreach(_lib fmt spdlog)
  string(TOUPPER ${_lib} _upper)
  set(_from ${QUENLITH_${_upper}_INCLUDE_DIR}/${_lib})
  if(NOT IS_DIRECTORY ${_from})
    message(FATAL_ERROR "${_from} not found (QUENLITH_${_upper}_INCLUDE_DIR)")
  endif()
  file(REMOVE ${_headers}/${_lib})
  file(CREATE_LINK ${_from} ${_headers}/${_lib} SYMBOLIC)
endforeach()
quenlith_header_only_logging(${_headers} ${_headers})

if(QUENLITH_USE_MIMALLOC)
  if(NOT EXISTS ${QUENLITH_MIMALLOC_SOURCE_DIR}/src/static.c)
    message(FATAL_ERROR "QUENLITH_MIMALLOC_SOURCE_DIR must name a mimalloc source tree")
  endif()
  # static.c is mimalloc's single-unit build; malloc itself is not overridden.
  add_library(mimalloc STATIC ${QUENLITH_MIMALLOC_SOURCE_DIR}/src/static.c)
  target_include_directories(mimalloc SYSTEM PUBLIC ${QUENLITH_MIMALLOC_SOURCE_DIR}/include)
  target_compile_definitions(mimalloc PRIVATE MI_STATIC_LIB)
  target_compile_options(mimalloc PRIVATE $<IF:$<C_COMPILER_ID:MSVC>,/w,-w>)
  target_link_libraries(mimalloc PUBLIC Threads::Threads)
  if(WIN32)
    target_link_libraries(mimalloc PUBLIC psapi shell32 user32 advapi32 bcrypt)
  endif()
endif()

if(QUENLITH_BUILD_TESTS)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  add_subdirectory(${QUENLITH_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  foreach(_gtest gtest gtest_main gmock gmock_main)
    target_compile_options(${_gtest} PRIVATE $<IF:$<CXX_COMPILER_ID:MSVC>,/w,-w>)
  endforeach()
endif()

set(QUENLITH_FMT quenlith_fmt)
set(QUENLITH_SPDLOG quenlith_spdlog)
set(QUENLITH_RE2 quenlith_re2)
