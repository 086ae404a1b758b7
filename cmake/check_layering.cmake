# Fails when a source file includes a header from a layer above its own, or when the rule
# interface includes a rule. Run as: cmake -DROOT=<source dir> -P check_layering.cmake
#
# Layers, lowest first: core/text, core/is_safe_checkers, json, urlencoded; then
# core/evaluation; then core/agent_config; then bindings.
set(_rules
  "core/text|core/evaluation/ core/agent_config/ bindings/"
  "core/is_safe_checkers|core/evaluation/ core/agent_config/ bindings/"
  "json|core/evaluation/ core/agent_config/ bindings/"
  "urlencoded|core/evaluation/ core/agent_config/ bindings/"
  "core/evaluation|core/agent_config/ bindings/"
  "core/agent_config|bindings/")

set(_violations)
foreach(_rule IN LISTS _rules)
  string(REPLACE "|" ";" _parts "${_rule}")
  list(GET _parts 0 _dir)
  list(GET _parts 1 _banned)
  string(REPLACE " " ";" _banned "${_banned}")
  file(GLOB_RECURSE _files "${ROOT}/${_dir}/*.h" "${ROOT}/${_dir}/*.cc")
  foreach(_file IN LISTS _files)
    file(STRINGS "${_file}" _includes REGEX "^[ \t]*#[ \t]*include[ \t]+\"")
    foreach(_line IN LISTS _includes)
      string(REGEX REPLACE "^[^\"]*\"([^\"]*)\".*$" "\\1" _header "${_line}")
      foreach(_prefix IN LISTS _banned)
        string(FIND "${_header}" "${_prefix}" _at)
        if(_at EQUAL 0)
          file(RELATIVE_PATH _rel "${ROOT}" "${_file}")
          list(APPEND _violations "${_rel} includes ${_header}")
        endif()
      endforeach()
    endforeach()
  endforeach()
endforeach()

# The rule interface knows no rule: every header it includes sits directly in rules/ or
# outside it.
file(STRINGS "${ROOT}/core/evaluation/rules/rule.h" _includes REGEX "^[ \t]*#[ \t]*include[ \t]+\"")
foreach(_line IN LISTS _includes)
  string(REGEX REPLACE "^[^\"]*\"([^\"]*)\".*$" "\\1" _header "${_line}")
  if(_header MATCHES "^core/evaluation/rules/[^/]+/")
    list(APPEND _violations "core/evaluation/rules/rule.h includes ${_header}")
  endif()
endforeach()

if(_violations)
  list(JOIN _violations "\n  " _text)
  message(FATAL_ERROR "include layering broken:\n  ${_text}")
endif()
