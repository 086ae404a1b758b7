# Fails unless the module's dynamic symbol table defines exactly the Node-API registration
# symbols. Run as: cmake -DNM=<nm> -DMODULE=<file> -P check_exports.cmake
execute_process(COMMAND ${NM} -D --defined-only --format=posix ${MODULE}
  OUTPUT_VARIABLE _out RESULT_VARIABLE _rc)
if(NOT _rc EQUAL 0)
  message(FATAL_ERROR "nm failed on ${MODULE}")
endif()
string(REPLACE "\n" ";" _lines "${_out}")
set(_symbols)
foreach(_line IN LISTS _lines)
  if(_line MATCHES "^([^ ]+) ")
    list(APPEND _symbols ${CMAKE_MATCH_1})
  endif()
endforeach()
list(SORT _symbols)
set(_expected napi_register_module_v1 node_api_module_get_api_version_v1)
if(NOT _symbols STREQUAL _expected)
  message(FATAL_ERROR "exported symbols: ${_symbols}; expected: ${_expected}")
endif()
