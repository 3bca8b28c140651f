# cmake --install of the native build puts hivelet and hivelet-regf into PREFIX/bin, and both
# run from there.
#
#   cmake -DBUILD=build/native -DPREFIX=DIR -P InstallPutsTheProgramsInAPrefix.cmake

file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND ${CMAKE_COMMAND} --install "${BUILD}" --prefix "${PREFIX}"
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed (${rc}):\n${out}")
endif()

foreach(program hivelet hivelet-regf)
  set(path "${PREFIX}/bin/${program}")
  if(NOT EXISTS "${path}")
    message(FATAL_ERROR "${program} was not installed into ${PREFIX}/bin:\n${out}")
  endif()
  # Without arguments each says how it is used, on one line of standard error, and exits 2.
  execute_process(COMMAND "${path}" RESULT_VARIABLE rc OUTPUT_VARIABLE stdout
                  ERROR_VARIABLE stderr TIMEOUT 60)
  if(NOT rc EQUAL 2 OR NOT stderr MATCHES "usage")
    message(FATAL_ERROR "the installed ${program} did not run (${rc}):\n${stdout}${stderr}")
  endif()
endforeach()
