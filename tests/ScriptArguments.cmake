# Argument checks shared by the test scripts run with `cmake -P`:
#
#   hivelet_script_arguments(REQUIRED VAR... [BUILT VAR...])
#
# stops with an error for a REQUIRED variable that is not set, and skips the whole script (its
# output then starts with "SKIPPED:", which the test takes as skipped) when a BUILT variable
# names a program of the native build that does not exist. A macro, so that its return() ends
# the calling script.
macro(hivelet_script_arguments)
  cmake_parse_arguments(_hsa "" "" "REQUIRED;BUILT" ${ARGN})
  foreach(_hsa_var IN LISTS _hsa_REQUIRED _hsa_BUILT)
    if(NOT DEFINED ${_hsa_var})
      message(FATAL_ERROR "${_hsa_var} is not set")
    endif()
  endforeach()
  foreach(_hsa_var IN LISTS _hsa_BUILT)
    if(NOT EXISTS "${${_hsa_var}}")
      message("SKIPPED: ${${_hsa_var}} is missing (build the native preset first)")
      return()
    endif()
  endforeach()
endmacro()
