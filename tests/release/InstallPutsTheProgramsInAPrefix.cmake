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
  # Each tells its version on standard output and exits 0.
  execute_process(COMMAND "${path}" --version RESULT_VARIABLE rc OUTPUT_VARIABLE stdout
                  ERROR_VARIABLE stderr TIMEOUT 60)
  if(NOT rc EQUAL 0 OR NOT stdout MATCHES "[0-9]")
    message(FATAL_ERROR "the installed ${program} did not run (${rc}):\n${stdout}${stderr}")
  endif()
endforeach()
